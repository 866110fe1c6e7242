"""The built wrenpage.exe read as a file: what it imports and the two resources it carries."""

import os
import re
import subprocess
import unittest
import xml.etree.ElementTree as ElementTree

from wine import EXE

NEEDS = "none"

OBJDUMP = os.environ.get("WRENPAGE_OBJDUMP", "x86_64-w64-mingw32-objdump")
WINDRES = os.environ.get("WRENPAGE_WINDRES", "x86_64-w64-mingw32-windres")
WRESTOOL = os.environ.get("WRENPAGE_WRESTOOL", "wrestool")
VERSION = os.environ.get("WRENPAGE_VERSION", "1.0.0.1")


def output(*command):
    return subprocess.run(command, stdout=subprocess.PIPE, check=True).stdout


class Imports(unittest.TestCase):
    def setUp(self):
        self.headers = output(OBJDUMP, "-p", EXE).decode()

    def test_only_kernel32_ole32_xpsprint_and_msvcrt(self):
        self.assertEqual(sorted(re.findall(r"DLL Name: (\S+)", self.headers)),
                         ["KERNEL32.dll", "msvcrt.dll", "ole32.dll", "xpsprint.dll"])

    def test_xpsprint_is_linked_at_load_time_for_start_xps_print_job_alone(self):
        xpsprint = self.headers.split("DLL Name: xpsprint.dll", 1)[1].split("\n\n", 1)[0]
        self.assertEqual(re.findall(r"^\s+[0-9a-f]+\s+\d+\s+(\w+)$", xpsprint, re.MULTILINE), ["StartXpsPrintJob"])

    def test_is_a_console_program(self):
        self.assertRegex(self.headers, r"Subsystem\s+00000003\s+\(Windows CUI\)")


class Resources(unittest.TestCase):
    def test_a_version_record_and_a_manifest_and_nothing_else(self):
        listing = output(WRESTOOL, "-l", EXE).decode()
        self.assertEqual(re.findall(r"--type=(\S+) --name=(\S+) --language=(\S+)", listing),
                         [("16", "1", "1033"), ("24", "1", "1033")])

    def test_version_record(self):
        record = output(WINDRES, "-J", "coff", "-i", EXE, "-O", "rc").decode()
        record = record.split("VERSIONINFO", 1)[1].split("/* Type:", 1)[0]
        numbers = VERSION.replace(".", ", ")
        self.assertIn(f"FILEVERSION {numbers}\n", record)
        self.assertIn(f"PRODUCTVERSION {numbers}\n", record)
        self.assertIn("FILEOS 0x40004\n", record)  # VOS_NT_WINDOWS32
        self.assertIn("FILETYPE 0x1\n", record)  # VFT_APP
        self.assertEqual(re.findall(r'BLOCK "(\w+)"', record), ["StringFileInfo", "040904b0", "VarFileInfo"])
        self.assertEqual(dict(re.findall(r'VALUE "(\w+)", "([^"]*)"', record)), {
            "CompanyName": "The wrenpage authors",
            "FileDescription": "wrenpage",
            "FileVersion": VERSION,
            "InternalName": "wrenpage.exe",
            "LegalCopyright": "Copyright (c) 2026 The wrenpage authors. MIT License.",
            "OriginalFilename": "wrenpage.exe",
            "ProductName": "wrenpage",
            "ProductVersion": VERSION,
        })
        self.assertIn('VALUE "Translation", 0x409, 1200\n', record)

    def test_manifest_runs_as_invoker_without_ui_access(self):
        manifest = ElementTree.fromstring(output(WRESTOOL, "-x", "--raw", "--type=24", "--name=1", EXE))
        levels = [element.attrib for element in manifest.iter("{urn:schemas-microsoft-com:asm.v3}requestedExecutionLevel")]
        self.assertEqual(levels, [{"level": "asInvoker", "uiAccess": "false"}])
