"""wrenpage.exe under Wine alone, with no stand-ins: its usage, a print with no XPS factory, and no
start at all without xpsprint.dll."""

import unittest

from wine import Case, Run

NEEDS = "prefix"

USAGE = b"Command line usage:\r\nwrenpage printername filename.xps\r\n"


class Usage(unittest.TestCase):
    def test_no_argument_or_one_writes_the_usage_and_exits_one(self):
        case = Case(self, xpsprint="wine")
        for arguments in ([], ["Office Printer"]):
            with self.subTest(arguments=arguments):
                self.assertEqual(case.run(*arguments), Run(1, USAGE, b""))


class WithoutXpsFactory(unittest.TestCase):
    def test_a_print_fails_class_not_registered_with_the_full_status(self):
        case = Case(self, xpsprint="wine")
        case.document("report.xps", b"PK\x03\x04")
        self.assertEqual(case.run("Office Printer", "report.xps"), Run(0x80040154, b"", b"Error -2147221164\r\n"))


class WithoutXpsPrint(unittest.TestCase):
    def test_the_tool_does_not_start_status_dll_not_found(self):
        case = Case(self, xpsprint="none")
        self.assertEqual(case.run("Office Printer", "report.xps"), Run(0xC0000135, b"", b""))
