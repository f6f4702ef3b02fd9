#!/usr/bin/env python3
"""The Windows ZIP as a user gets it: unpacks it into an empty folder and checks
what is there. Exit code 0 when every check holds.

  check_zip.py DORVAN-<version>-win32.zip FOLDER VERSION
"""
import re
import shutil
import sys
import zipfile

failures = []


def expect(ok, what):
    if not ok:
        failures.append(what)


def utf16(text):
    return text.encode("utf-16-le")


def check_guide(data):
    expect(data.startswith(b"\xef\xbb\xbf"), "OKUBENI.txt does not start with a UTF-8 byte-order mark")
    try:
        text = data[3:].decode("utf-8")
    except UnicodeDecodeError as e:
        failures.append(f"OKUBENI.txt is not UTF-8: {e}")
        return
    expect(re.search(r"(?<!\r)\n", text) is None, "OKUBENI.txt has a line ended by LF alone")
    expect(re.search(r"\r(?!\n)", text) is None, "OKUBENI.txt has a CR without LF")
    expect(text.endswith("\r\n"), "OKUBENI.txt's last line has no CR LF")
    expect("mcHID.dll" in text and "KADEME SEÇİMİ YAPINIZ" in text, "OKUBENI.txt lacks the guide's text")
    # Plain text: no Markdown left over, and the Linux-only parts left out.
    for leftover in ("<!--", "](", "**", "`", "dorvan-launcher"):
        expect(leftover not in text, f"OKUBENI.txt contains {leftover!r}")


def check_version_record(exe, version):
    parts = [int(p) for p in version.split(".")] + [0, 0]
    major, minor, patch = parts[0], parts[1], parts[2]
    fixed = exe.find(b"\xbd\x04\xef\xfe")
    expect(fixed >= 0, "DORVAN.exe has no version record")
    if fixed >= 0:
        file_ms, file_ls, product_ms, product_ls = (
            int.from_bytes(exe[fixed + 8 + 4 * i:fixed + 12 + 4 * i], "little") for i in range(4))
        want = ((major << 16) | minor, patch << 16)
        expect((file_ms, file_ls) == want and (product_ms, product_ls) == want,
               f"DORVAN.exe's version numbers are {file_ms:#x},{file_ls:#x}, not {want[0]:#x},{want[1]:#x}")
    # The text form is major.minor with the minor number in two digits: 1.0 reads "1.00".
    text = f"{major}.{minor:02d}"
    for key in ("FileVersion", "ProductVersion"):
        value = re.search(re.escape(utf16(key)) + rb"\0\0(?:\0\0)?((?:[^\0]\0)*)\0\0", exe)
        shown = value.group(1).decode("utf-16-le") if value else None
        expect(shown == text, f"DORVAN.exe's {key} is {shown!r}, not {text!r}")


def main(zip_path, folder, version):
    shutil.rmtree(folder, ignore_errors=True)
    with zipfile.ZipFile(zip_path) as z:
        names = sorted(z.namelist())
        z.extractall(folder)
    want = sorted(["DORVAN.exe", "fis_1.bmp", "fis_2.bmp", "OKUBENI.txt", "LISANSLAR.txt"])
    expect(names == want, f"the ZIP holds {names}, not {want} at its top")
    if "OKUBENI.txt" in names:
        with open(f"{folder}/OKUBENI.txt", "rb") as f:
            check_guide(f.read())
    if "LISANSLAR.txt" in names:
        with open(f"{folder}/LISANSLAR.txt", "rb") as f:
            licences = f.read().decode("utf-8")
        for library in ("OpenSSL", "libmosquitto", "Boost", "nlohmann"):
            expect(library in licences, f"LISANSLAR.txt lacks the licence of {library}")
    if "DORVAN.exe" in names:
        with open(f"{folder}/DORVAN.exe", "rb") as f:
            check_version_record(f.read(), version)
    for line in failures:
        print("FAIL:", line)
    print(f"{zip_path}: {'FAILED' if failures else 'ok'}")
    return 1 if failures else 0


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    sys.exit(main(*sys.argv[1:]))
