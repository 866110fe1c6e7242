"""wrenpage.exe under Wine with the stand-ins: what reaches the print service when a job completes."""

import unittest

from wine import Case, Run, windows_path

NEEDS = "standins"

# Every byte value, and more than one chunk of the stand-in package's writes.
DOCUMENT = bytes(range(256)) * 40 + b"end"


def completed_sequence(printer, document):
    return [
        ("StartXpsPrintJob", printer, document),
        ("CreatePackageFromFile", document),
        ("WriteToStream",),
        ("Close",),
        ("JobEnded",),
        ("GetJobStatus",),
        ("ReleaseStream",),
        ("ReleaseJob",),
    ]


class CompletedJob(unittest.TestCase):
    def test_writes_nothing_exits_zero_and_hands_over_the_package_unchanged(self):
        case = Case(self, printer="Office Printer")
        case.document("report.xps", DOCUMENT)
        self.assertEqual(case.run("Office Printer", "report.xps"), Run(0, b"", b""))
        self.assertEqual(case.record(), completed_sequence("Office Printer", "report.xps"))
        self.assertEqual(case.stream_bytes(), DOCUMENT)

    def test_the_job_is_named_by_the_document_path_as_typed(self):
        for typed in ("docs\\report.xps", "docs/./report.xps", "absolute"):
            with self.subTest(typed=typed):
                case = Case(self, printer="Office Printer")
                document = case.document("docs/report.xps", DOCUMENT)
                typed = windows_path(document) if typed == "absolute" else typed
                self.assertEqual(case.run("Office Printer", typed), Run(0, b"", b""))
                self.assertEqual(case.record(), completed_sequence("Office Printer", typed))

    def test_arguments_after_the_document_are_ignored(self):
        case = Case(self, printer="Office Printer")
        case.document("report.xps", DOCUMENT)
        self.assertEqual(case.run("Office Printer", "report.xps", "other.xps", "--copies"), Run(0, b"", b""))
        self.assertEqual(case.record(), completed_sequence("Office Printer", "report.xps"))


class Names(unittest.TestCase):
    def test_spaces_and_non_ascii_letters_reach_the_print_service_unchanged(self):
        printer = "Drucker Büro 3 – Ζήτα 日本"
        document = "Bericht März 2026 – ünïcödé 日本 \U0001F5A8.xps"
        case = Case(self, printer=printer)
        case.document(document, DOCUMENT)
        self.assertEqual(case.run(printer, document), Run(0, b"", b""))
        self.assertEqual(case.record(), completed_sequence(printer, document))
        self.assertEqual(case.stream_bytes(), DOCUMENT)
