#!/usr/bin/env python3
"""Checks that a Windows program loads on Windows 7 SP1: it imports from the system's own DLLs
only, no function that came with a later Windows, and asks for no newer subsystem.

    check_imports.py [--bits 32|64] EXE [LIST]

The functions newer than Windows 7 are gathered anew on each run, in two parts:

- from the MinGW-w64 headers of the DLLs a program of ours may import: every function they
  declare when built for Windows 10 (_WIN32_WINNT and WINVER 0x0A00, NTDDI_VERSION the newest
  the headers know) but not when built for Windows 7 (0x0601, NTDDI_WIN7). GCC's -aux-info lists
  the declarations of each build; the difference is the functions those headers place behind a
  Windows 8, 8.1 or 10 guard;
- a fixed list below of later functions the headers declare without such a guard (or not at
  all), the DPI functions of USER32 and SHCORE and the later ones of the sockets (WS2_32) and
  the IP helper (IPHLPAPI) among them, and the later additions to msvcrt.dll as MinGW-w64's
  own msvcrt.def.in dates them.

A DLL named api-ms-win-* or ext-ms-* (the API sets, Windows 8 and later) is refused with every
DLL outside the system's own list. LIST, when given, receives the whole list, one function a
line with where it came from. The program must be a 32-bit one (PE32), as it ships; with
--bits 64, an x86-64 one (PE32+), the build the tests run where no 32-bit program runs. Exit
status 0 when the program passes, 1 when it does not.
"""
import os
import re
import subprocess
import sys
import tempfile

SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "gdiplus.dll", "shlwapi.dll",
               "ole32.dll", "msvcrt.dll", "comctl32.dll", "advapi32.dll", "shell32.dll",
               "comdlg32.dll", "ws2_32.dll", "mswsock.dll", "iphlpapi.dll"}

# The headers of those DLLs (the sockets' first, as they must precede windows.h) and of SHCORE
# (shellscalingapi.h). The C library's headers are not guarded by the Windows version and GDI+'s
# newest functions (1.1) came with Vista: the fixed list covers msvcrt.dll, and GDI+ adds
# nothing after Windows 7.
HEADERS = ["winsock2.h", "ws2tcpip.h", "mswsock.h", "iphlpapi.h", "windows.h", "shellapi.h",
           "shlobj.h", "shlwapi.h", "commctrl.h", "ole2.h", "shellscalingapi.h"]
WINDOWS_7 = ["-D_WIN32_WINNT=0x0601", "-DWINVER=0x0601", "-DNTDDI_VERSION=0x06010000"]
WINDOWS_10 = ["-D_WIN32_WINNT=0x0A00", "-DWINVER=0x0A00", "-DNTDDI_VERSION=WDK_NTDDI_VERSION"]

FIXED = {
    "Windows 8": """
        GetSystemTimePreciseAsFileTime CreateFile2 CopyFile2 GetOverlappedResultEx
        WaitOnAddress WakeByAddressSingle WakeByAddressAll InitializeSynchronizationBarrier
        EnterSynchronizationBarrier DeleteSynchronizationBarrier SetDefaultDllDirectories
        AddDllDirectory RemoveDllDirectory GetCurrentThreadStackLimits GetFirmwareType
        GetProcessMitigationPolicy SetProcessMitigationPolicy GetPackageFullName
        GetCurrentPackageId GetCurrentPackageFullName CreateFileMappingFromApp MapViewOfFileFromApp
        GetPointerType GetPointerInfo EnableMouseInPointer InjectTouchInput
        GetAddrInfoExCancel GetAddrInfoExOverlappedResult GetIpNetworkConnectionBandwidthEstimates
        _create_locale _free_locale _get_current_locale _memcpy_strict_align _wcstod_l fabsf""",
    "Windows 8.1": """
        GetDpiForMonitor GetProcessDpiAwareness SetProcessDpiAwareness GetScaleFactorForMonitor
        GetDpiForShellUIComponent RegisterScaleChangeNotifications GetScaleFactorForDevice
        LogicalToPhysicalPointForPerMonitorDPI PhysicalToLogicalPointForPerMonitorDPI GetHostNameW
        _CallMemberFunction0 _CallMemberFunction1 _CallMemberFunction2 __AdjustPointer
        __ExceptionPtrAssign __ExceptionPtrCompare __ExceptionPtrCopy __ExceptionPtrCopyException
        __ExceptionPtrCreate __ExceptionPtrCurrentException __ExceptionPtrDestroy
        __ExceptionPtrRethrow __ExceptionPtrSwap __ExceptionPtrToBool _W_Getdays _W_Getmonths
        _W_Gettnames _Wcsftime""",
    "Windows 10": """
        GetDpiForWindow GetDpiForSystem GetSystemDpiForProcess AdjustWindowRectExForDpi
        GetSystemMetricsForDpi SystemParametersInfoForDpi EnableNonClientDpiScaling
        SetProcessDpiAwarenessContext SetThreadDpiAwarenessContext GetThreadDpiAwarenessContext
        GetWindowDpiAwarenessContext GetAwarenessFromDpiAwarenessContext
        GetDpiFromDpiAwarenessContext AreDpiAwarenessContextsEqual IsValidDpiAwarenessContext
        SetThreadDpiHostingBehavior GetDpiAwarenessContextForProcess SetDialogDpiChangeBehavior
        GetDialogDpiChangeBehavior SetDialogControlDpiChangeBehavior SetThreadDescription
        GetThreadDescription IsWow64Process2 GetTempPath2W GetTempPath2A GetIfEntry2Ex
        GetNetworkConnectivityHint NotifyNetworkConnectivityHintChange ProcessSocketNotifications""",
}
# And the precise maths of Windows 8.1's msvcrt.dll, which only the x86 one exports.
FIXED_MSVCRT = ["_libm_sse2_%s_precise" % f for f in
                ("acos", "asin", "atan", "cos", "exp", "log10", "log", "pow", "sin", "sqrt",
                 "tan")]


def fail(message):
    print("check-imports: " + message, file=sys.stderr)
    sys.exit(1)


def declared(compiler, defines, work):
    """The names of the functions the headers declare under these defines."""
    source = os.path.join(work, "headers.c")
    with open(source, "w") as out:
        out.write("".join("#include <%s>\n" % h for h in HEADERS))
    listing = os.path.join(work, "declared.txt")
    subprocess.run([compiler, "-fsyntax-only", "-aux-info", listing, *defines, source],
                   check=True, cwd=work)
    names = {}
    for line in open(listing, encoding="utf-8", errors="replace"):
        found = re.match(r"/\* (\S+):\d+:N[CF] \*/ .*?([A-Za-z_]\w*) \(", line)
        if found:
            names[found.group(2)] = os.path.basename(found.group(1))
    return names


def newer_functions(compiler):
    """Function name -> where it is known from, for every function newer than Windows 7."""
    with tempfile.TemporaryDirectory() as work:
        old = declared(compiler, WINDOWS_7, work)
        new = declared(compiler, WINDOWS_10, work)
    newer = {name: "header %s" % header for name, header in new.items() if name not in old}
    from_headers = len(newer)
    for since, names in FIXED.items():
        for name in names.split():
            newer.setdefault(name, since)
    for name in FIXED_MSVCRT:
        newer.setdefault(name, "Windows 8.1")
    if from_headers < 100 or "GetDpiForWindow" not in newer or "CreateFile2" not in newer:
        fail("the headers gave %d newer functions, too few to trust" % from_headers)
    return newer, from_headers


def imports(exe):
    """(PE magic, subsystem version, {dll: [function or #ordinal]}) of a program."""
    # The 32-bit objdump does not read a 64-bit program; the 64-bit one, where it is installed,
    # does, and names what in it Windows 7 lacks.
    for objdump in ("i686-w64-mingw32-objdump", "x86_64-w64-mingw32-objdump"):
        try:
            run = subprocess.run([objdump, "-p", exe], capture_output=True, text=True)
        except FileNotFoundError:
            continue
        if run.returncode == 0:
            break
    else:
        fail("objdump reads no program in %s" % exe)
    text = run.stdout
    magic = re.search(r"^Magic\s+\S+\s+\((\S+)\)", text, re.M).group(1)
    major = int(re.search(r"^MajorSubsystemVersion\s+(\d+)", text, re.M).group(1))
    minor = int(re.search(r"^MinorSubsystemVersion\s+(\d+)", text, re.M).group(1))
    dlls = {}
    dll = None
    for line in text.splitlines():
        if line.startswith("\tDLL Name: "):
            dll = line.split(": ", 1)[1].strip()
            dlls[dll] = []
        elif dll is not None and re.match(r"\t[0-9a-f]+\t", line):
            _, number, name = line.split()[:3]
            dlls[dll].append("#" + number if name == "<none>" else name)
        elif not line.strip():
            dll = None
    return magic, (major, minor), dlls


def main():
    args = sys.argv[1:]
    bits = 32
    if args[:1] == ["--bits"] and len(args) >= 2 and args[1] in ("32", "64"):
        bits = int(args[1])
        args = args[2:]
    if len(args) not in (1, 2):
        fail("usage: check_imports.py [--bits 32|64] EXE [LIST]")
    exe = args[0]
    newer, from_headers = newer_functions("i686-w64-mingw32-gcc")
    if len(args) == 2:
        with open(args[1], "w") as out:
            for name in sorted(newer):
                out.write("%s\t%s\n" % (name, newer[name]))
    magic, subsystem, dlls = imports(exe)
    count = sum(len(f) for f in dlls.values())
    print("check-imports: %s, %s, subsystem %d.%d, %d functions from %s" % (
        os.path.basename(exe), magic, *subsystem, count, ", ".join(sorted(dlls))))
    print("check-imports: against %d functions newer than Windows 7 (%d from the headers, "
          "%d listed)" % (len(newer), from_headers, len(newer) - from_headers))
    problems = []
    # The program ships 32-bit; the 64-bit build only carries the tests where no 32-bit program
    # runs, and is held to the same list of functions.
    expected = "PE32" if bits == 32 else "PE32+"
    if magic != expected:
        problems.append("a %s program, not a %d-bit one (%s)%s" % (
            magic, bits, expected, ": 32-bit Windows cannot run it" if bits == 32 else ""))
    if subsystem > (6, 1):
        problems.append("subsystem %d.%d: Windows 7 (6.1) refuses to start it" % subsystem)
    for dll, functions in sorted(dlls.items()):
        if re.match(r"(api|ext)-ms-", dll, re.I):
            problems.append("%s: an API set DLL, which Windows 7 lacks" % dll)
        elif dll.lower() not in SYSTEM_DLLS:
            problems.append("%s: not one of the system DLLs of Windows 7 the program may use" % dll)
        for function in functions:
            if function.startswith("#"):
                problems.append("%s: function number %s, which cannot be checked"
                                % (dll, function[1:]))
            elif function in newer:
                problems.append("%s: %s (%s)" % (dll, function, newer[function]))
    for problem in problems:
        print("check-imports: FAIL %s" % problem)
    if problems:
        sys.exit(1)
    print("check-imports: PASS nothing newer than Windows 7 SP1")


if __name__ == "__main__":
    main()
