"""wrenpage.exe under Wine with the stand-ins: each failure, its report and its full exit status."""

import unittest

from wine import Case, Run

NEEDS = "standins"

DOCUMENT = b"PK\x03\x04 an XPS package, as far as the stand-ins care"


def failure(status):
    """The run that reports status: nothing on standard output, one line on standard error."""
    signed = status - (1 << 32) if status & 0x80000000 else status
    return Run(status, b"", f"Error {signed}\r\n".encode())


class RejectedPrinter(unittest.TestCase):
    def test_fails_invalid_printer_name_before_the_document_is_opened(self):
        for printer in ("No Such Printer", ""):
            with self.subTest(printer=printer):
                case = Case(self, printer="Office Printer")
                case.document("report.xps", DOCUMENT)
                self.assertEqual(case.run(printer, "report.xps"), failure(0x80070709))
                self.assertEqual(case.record(), [("StartXpsPrintJob", printer, "report.xps")])


class MissingDocument(unittest.TestCase):
    def test_fails_file_not_found_after_the_job_started_and_releases_the_stream_unclosed(self):
        case = Case(self, printer="Office Printer")
        self.assertEqual(case.run("Office Printer", "missing.xps"), failure(0x80070002))
        self.assertEqual(case.record(), [
            ("StartXpsPrintJob", "Office Printer", "missing.xps"),
            ("CreatePackageFromFile", "missing.xps"),
            ("ReleaseStream",),
            ("ReleaseJob",),
        ])
        self.assertEqual(case.stream_bytes(), b"")


class EndedJob(unittest.TestCase):
    """A job the print system failed or cancelled is a failure after the whole document went out."""

    def ended(self, outcome, job_status):
        case = Case(self, printer="Office Printer", outcome=outcome, job_status=job_status)
        case.document("report.xps", DOCUMENT)
        run = case.run("Office Printer", "report.xps")
        self.assertEqual([call[0] for call in case.record()], [
            "StartXpsPrintJob", "CreatePackageFromFile", "WriteToStream", "Close", "JobEnded", "GetJobStatus",
            "ReleaseStream", "ReleaseJob"])
        self.assertEqual(case.stream_bytes(), DOCUMENT)
        return run

    def test_failed_exits_with_the_jobs_own_status(self):
        self.assertEqual(self.ended("failed", -2147024865), failure(0x8007001F))

    def test_failed_without_a_failing_status_exits_e_fail(self):
        for job_status in (0, 5):
            with self.subTest(job_status=job_status):
                self.assertEqual(self.ended("failed", job_status), failure(0x80004005))

    def test_cancelled_exits_error_cancelled_whatever_the_job_status(self):
        for job_status in (0, -2147467260):
            with self.subTest(job_status=job_status):
                self.assertEqual(self.ended("cancelled", job_status), failure(0x800704C7))
