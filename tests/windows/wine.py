"""wrenpage.exe inside Wine: one prefix for the whole test run, and a folder of its own per case.

Run as a script, it holds the steps CTest runs around the cases: `create-prefix`, `register-factory`,
`unregister-factory` and `end-prefix`, and `list`, which names every case with what it needs.
"""

import dataclasses
import importlib
import os
import pathlib
import shutil
import subprocess
import sys
import unittest

EXE = pathlib.Path(os.environ.get("WRENPAGE_EXE", "wrenpage.exe"))
WORK = pathlib.Path(os.environ.get("WRENPAGE_WINE_WORK", "."))
PREFIX = WORK / "wineprefix"
XPSPRINT_STANDIN = pathlib.Path(os.environ.get("WRENPAGE_XPSPRINT_STANDIN", "xpsprint.dll"))
XPSOM_STANDIN = pathlib.Path(os.environ.get("WRENPAGE_XPSOM_STANDIN", "xpsom.dll"))
WINE = os.environ.get("WRENPAGE_WINE", "wine")
WINESERVER = os.environ.get("WRENPAGE_WINESERVER", "wineserver")

XPS_FACTORY_KEY = r"HKCR\CLSID\{E974D26D-3D9B-4D47-88CC-3872F2DC3585}"


def windows_path(path):
    return "Z:" + str(pathlib.Path(path).resolve()).replace("/", "\\")


def wine_environment(overrides=""):
    environment = dict(os.environ, WINEPREFIX=str(PREFIX), WINEDEBUG="-all", LANG="C.UTF-8", LC_ALL="C.UTF-8")
    environment.pop("DISPLAY", None)
    environment["WINEDLLOVERRIDES"] = overrides
    return environment


def wine(*words, cwd=None, overrides="", stdout=subprocess.DEVNULL):
    # Never a pipe: Wine's own background processes inherit it and would hold it open.
    return subprocess.run([WINE, *words], cwd=cwd, env=wine_environment(overrides), stdin=subprocess.DEVNULL,
                          stdout=stdout, stderr=subprocess.DEVNULL, check=False)


def wineserver(*words):
    return subprocess.run([WINESERVER, *words], env=wine_environment(), stdin=subprocess.DEVNULL,
                          stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)


def create_prefix():
    wineserver("-k")
    shutil.rmtree(PREFIX, ignore_errors=True)
    PREFIX.mkdir(parents=True)
    # A persistent server keeps every later start of a Wine process short.
    if wineserver("-p").returncode != 0:
        sys.exit("wineserver did not start")
    # No Mono or Gecko: nothing here needs them, and their installers would ask.
    if wine("wineboot", "--init", overrides="mscoree,mshtml=").returncode != 0:
        sys.exit("wineboot could not create the prefix")


def end_prefix():
    wineserver("-k")


def register_factory():
    server = XPS_FACTORY_KEY + r"\InprocServer32"
    # Both, not Apartment: the tool creates the factory from the multithreaded apartment.
    for words in (["/ve", "/d", windows_path(XPSOM_STANDIN)], ["/v", "ThreadingModel", "/d", "Both"]):
        if wine("reg", "add", server, *words, "/f").returncode != 0:
            sys.exit("could not register the XPS object factory stand-in")


def unregister_factory():
    wine("reg", "delete", XPS_FACTORY_KEY, "/f")


@dataclasses.dataclass
class Run:
    status: int  # the full 32-bit exit status, unsigned
    out: bytes
    err: bytes


# Which xpsprint.dll the executable loads: the stand-in beside it, Wine's own, or none at all.
XPSPRINT_OVERRIDES = {"standin": "xpsprint=n", "wine": "", "none": "xpsprint="}


class Case:
    """One test's folder: the executable, the stand-in xpsprint.dll and its settings if asked for,
    the documents, and afterwards what the stand-ins recorded."""

    def __init__(self, test, xpsprint="standin", printer="Office Printer", outcome="completed", job_status=0):
        self.folder = WORK / "cases" / test.id()
        shutil.rmtree(self.folder, ignore_errors=True)
        self.folder.mkdir(parents=True)
        shutil.copy(EXE, self.folder / "wrenpage.exe")
        self.overrides = XPSPRINT_OVERRIDES[xpsprint]
        if xpsprint == "standin":
            shutil.copy(XPSPRINT_STANDIN, self.folder / "xpsprint.dll")
            settings = f"[standin]\r\nprinter={printer}\r\noutcome={outcome}\r\njobStatus={job_status}\r\n"
            (self.folder / "standin.ini").write_bytes(b"\xff\xfe" + settings.encode("utf-16-le"))

    def document(self, name, content):
        path = self.folder / name
        path.parent.mkdir(parents=True, exist_ok=True)
        path.write_bytes(content)
        return path

    def run(self, *arguments):
        """Runs the tool through cmd, which reports its full exit status: Wine's own keeps 8 bits."""
        status_file = self.folder / "status.txt"
        with open(status_file, "wb") as status:
            wine("cmd", "/c", "wrenpage.exe", *arguments, ">", "out.txt", "2>", "err.txt", "&", "echo", "%ERRORLEVEL%",
                 cwd=self.folder, overrides=self.overrides, stdout=status)
        words = status_file.read_text().split()
        if not words:
            raise AssertionError("cmd reported no exit status: Wine did not run the tool")
        return Run(int(words[-1]) & 0xFFFFFFFF, self._read("out.txt"), self._read("err.txt"))

    def record(self):
        """What the stand-ins were asked, one tuple per call, in order."""
        return [tuple(line.split("\t")) for line in self._read("standin.log").decode("utf-8").splitlines()]

    def stream_bytes(self):
        return self._read("stream.bin")

    def _read(self, name):
        path = self.folder / name
        return path.read_bytes() if path.exists() else b""


def list_cases():
    """Every case with what it needs, as its module's NEEDS says: nothing, a Wine prefix, or a
    prefix with the stand-ins."""
    for path in sorted(pathlib.Path(__file__).parent.glob("*_test.py")):
        module = importlib.import_module(path.stem)
        for suite in unittest.defaultTestLoader.loadTestsFromModule(module):
            for case in suite:
                print(module.NEEDS, case.id())


if __name__ == "__main__":
    steps = {"create-prefix": create_prefix, "end-prefix": end_prefix, "register-factory": register_factory,
             "unregister-factory": unregister_factory, "list": list_cases}
    steps[sys.argv[1]]()
