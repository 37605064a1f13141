#!/usr/bin/env python3
"""check-executable.py OBJDUMP EXE [--address-space-only]: the installer executable imports only DLLs of the system's
KnownDLLs list (so that no DLL lying next to it in a downloads folder is loaded at start), carries its application
manifest and is linked large-address-aware (4 GiB of address space on 64-bit Windows, for large decoded files).
With --address-space-only (qpack.exe) only the last is checked."""
import re
import subprocess
import sys
import xml.etree.ElementTree as ET

# DLLs that Windows 7 to 11 all load from System32 only, whatever the search path.
KNOWN_DLLS = {
    "advapi32.dll", "clbcatq.dll", "comdlg32.dll", "difxapi.dll", "gdi32.dll", "imagehlp.dll", "imm32.dll",
    "kernel32.dll", "msctf.dll", "msvcrt.dll", "normaliz.dll", "nsi.dll", "ole32.dll", "oleaut32.dll", "psapi.dll",
    "rpcrt4.dll", "sechost.dll", "setupapi.dll", "shell32.dll", "shlwapi.dll", "user32.dll", "wldap32.dll",
    "ws2_32.dll",
}
SUPPORTED_OS = {
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",  # 7
    "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",  # 8
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",  # 8.1
    "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}",  # 10 and 11
}
RT_MANIFEST = 0x18


def objdump(tool, *args):
    return subprocess.run([tool, *args], check=True, capture_output=True, text=True).stdout


def manifest_bytes(tool, exe, private):
    # The resource tree as objdump prints it: type entry, name entry, language entry, then the leaf.
    lines = private.splitlines()
    start = next((i for i, line in enumerate(lines) if "Resource Directory section" in line), None)
    if start is None:
        return None
    current_type, leaf = None, None
    for line in lines[start:]:
        # Each level of the tree is indented two more spaces: type entries come first, with three.
        entry = re.match(r"[0-9a-f]+(\s+)Entry: ID: 0x([0-9a-f]+)", line)
        if entry and len(entry.group(1)) == 3:
            current_type = int(entry.group(2), 16)
        found = re.search(r"Leaf: Addr: 0x([0-9a-f]+), Size: 0x([0-9a-f]+)", line)
        if found and current_type == RT_MANIFEST:
            leaf = (int(found.group(1), 16), int(found.group(2), 16))
            break
    if leaf is None:
        return None
    image_base = int(re.search(r"ImageBase\s+([0-9a-f]+)", private).group(1), 16)
    for section in re.finditer(r"^\s*\d+\s+(\S+)\s+([0-9a-f]+)\s+([0-9a-f]+)\s+[0-9a-f]+\s+([0-9a-f]+)",
                               objdump(tool, "-h", exe), re.M):
        size, vma, offset = (int(section.group(k), 16) for k in (2, 3, 4))
        rva = vma - image_base
        if rva <= leaf[0] < rva + size:
            with open(exe, "rb") as f:
                f.seek(offset + leaf[0] - rva)
                return f.read(leaf[1])
    return None


def main():
    tool, exe = sys.argv[1], sys.argv[2]
    private = objdump(tool, "-p", exe)
    problems = []
    if "large address aware" not in private:
        problems.append("not linked large-address-aware")
    if "--address-space-only" in sys.argv[3:]:
        for problem in problems:
            print(f"{exe}: {problem}")
        return 1 if problems else 0
    dlls = [name.lower() for name in re.findall(r"DLL Name: (\S+)", private)]
    if not dlls:
        problems.append("no import table found")
    problems += [f"imports {dll}, which is not a KnownDLL" for dll in dlls if dll not in KNOWN_DLLS]

    data = manifest_bytes(tool, exe, private)
    if data is None:
        problems.append("no manifest resource")
    else:
        ns = {"v1": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3",
              "c": "urn:schemas-microsoft-com:compatibility.v1",
              "ws": "http://schemas.microsoft.com/SMI/2005/WindowsSettings"}
        root = ET.fromstring(data)
        level = root.find(".//v3:requestedExecutionLevel", ns)
        if level is None or level.get("level") != "requireAdministrator":
            problems.append("manifest does not require administrator rights")
        ids = {os.get("Id").lower() for os in root.findall(".//c:supportedOS", ns)}
        if ids != SUPPORTED_OS:
            problems.append(f"supportedOS entries {sorted(ids)}")
        aware = root.find(".//ws:dpiAware", ns)
        if aware is None or aware.text.strip().lower() != "true":
            problems.append("manifest does not declare system DPI awareness")
    for problem in problems:
        print(f"{exe}: {problem}")
    print(f"imports: {', '.join(dlls)}")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
