"""The table of process-level cases: what a user types, and exactly what
feregtool and the simulated card answer."""

import os
import re
import signal
import stat
import time
from dataclasses import dataclass, field
from typing import Callable, Optional

USAGE = b"Usage: feregtool  span chan -fe_reg_read/-fe_reg_write value \n"
NEW_USAGE = b"\n" + USAGE
OPEN_FAILED = b"Failed to open file descriptor\n"


@dataclass
class Case:
    name: str
    args: list
    out: bytes = b""
    err: bytes = b""
    status: int = 0
    # Expected trace lines; [] means no library call at all, None skips the check.
    trace: Optional[list] = None
    env: dict = field(default_factory=dict)
    before: list = field(default_factory=list)  # tool runs that set the card up
    after: list = field(default_factory=list)  # (args, stdout) checked afterwards
    merged: bool = False  # stdout and stderr on one pipe
    check: Optional[Callable] = None  # a case that drives the runs itself
    prepare: Optional[Callable] = None  # prepare(work) lays out files first
    verify: Optional[Callable] = None  # verify(work) returns problems found after the run
    stdout: Optional[str] = None  # "full", "closed" or "gone": see Runner.start
    umask: int = -1  # the run's umask; -1 keeps the runner's
    needs: tuple = ()  # "posix", "root": what the case needs of the target
    windows_err: Optional[bytes] = None  # stderr on Windows, where it differs


def fd(span, chan):
    """The simulated card's descriptor for a channel."""
    return (span - 1) * 31 + (chan - 1)


def read_line(reg, data):
    return f"\nFE READ Reg=0x{reg:04X} Data={data:02X}\n".encode()


def write_line(reg, value):
    return f"\nFE WRITE Reg=0x{reg:04X} Data={value:02X}\n".encode()


def opened(span, chan):
    return f"open span={span} chan={chan} -> {fd(span, chan)}"


def read_trace(span, chan, reg, result, data=None):
    line = f"fe_reg_read fd={fd(span, chan)} reg=0x{reg:08X} -> {result}"
    return line + (f" data=0x{data:02X}" if data is not None else "")


def write_trace(span, chan, reg, data, result):
    return f"fe_reg_write fd={fd(span, chan)} reg=0x{reg:08X} data=0x{data:02X} -> {result}"


def closed(span, chan):
    return f"close fd={fd(span, chan)}"


def read_ok(name, args, span, chan, reg, data=0, **kw):
    return Case(name, args, out=read_line(reg, data),
                trace=[opened(span, chan), read_trace(span, chan, reg, 0, data), closed(span, chan)], **kw)


def usage(name, args, out=NEW_USAGE):
    return Case(name, args, out=out, status=2, trace=[])


USAGE_CASES = [
    usage("no arguments", [], USAGE),
    usage("span only", ["1"], USAGE),
    usage("span and channel only", ["1", "3"], USAGE),
    usage("read keyword without register", ["1", "3", "-fe_reg_read"]),
    usage("write keyword without register", ["1", "3", "-fe_reg_write"]),
    usage("write keyword without value", ["1", "3", "-fe_reg_write", "20"]),
    usage("keyword in upper case", ["1", "3", "-FE_REG_READ", "1f"]),
    usage("keyword shortened", ["1", "3", "-fe_reg", "1f"]),
    usage("keyword with a suffix", ["1", "3", "-fe_reg_readx", "1f"]),
    usage("keyword without its dash", ["1", "3", "fe_reg_read", "1f"]),
    usage("empty keyword", ["1", "3", "", "1f"]),
    usage("unknown keyword among five", ["1", "3", "-read", "1f", "2"]),
    # An operand without any digit would otherwise address register 0.
    usage("empty register", ["1", "3", "-fe_reg_read", ""]),
    usage("blank register", ["1", "3", "-fe_reg_read", "   "]),
    usage("sign alone as register", ["1", "3", "-fe_reg_read", "-"]),
    usage("plus alone as register", ["1", "3", "-fe_reg_read", "+"]),
    usage("register g", ["1", "3", "-fe_reg_read", "g"]),
    usage("register reg20", ["1", "3", "-fe_reg_read", "reg20"]),
    usage("register x1f", ["1", "3", "-fe_reg_read", "x1f"]),
    usage("write register zz", ["1", "3", "-fe_reg_write", "zz", "5"]),
    usage("write value zz", ["1", "3", "-fe_reg_write", "20", "zz"]),
    usage("write value empty", ["1", "3", "-fe_reg_write", "20", ""]),
    usage("write value sign alone", ["1", "3", "-fe_reg_write", "20", "-"]),
    usage("bad register even with a bad span", ["x", "3", "-fe_reg_read", "g"]),
    usage("dump keyword without register", ["1", "3", "-fe_reg_dump"]),
    usage("dump of register g", ["1", "3", "-fe_reg_dump", "g"]),
    usage("dump to register zz", ["1", "3", "-fe_reg_dump", "20", "zz"]),
    usage("dump to an empty register", ["1", "3", "-fe_reg_dump", "20", ""]),
    usage("modify without mask", ["1", "3", "-fe_reg_modify", "20", "1"]),
    usage("modify without value", ["1", "3", "-fe_reg_modify", "20"]),
    usage("modify of register x", ["1", "3", "-fe_reg_modify", "x", "1", "1"]),
    usage("modify with mask g", ["1", "3", "-fe_reg_modify", "20", "1", "g"]),
    usage("dump keyword in upper case", ["1", "3", "-FE_REG_DUMP", "0"]),
    usage("version keyword in the keyword place", ["1", "3", "--version", "0"]),
]

READ_CASES = [
    read_ok("fresh register reads 00", ["1", "3", "-fe_reg_read", "1f"], 1, 3, 0x1F),
    read_ok("written byte reads back", ["1", "3", "-fe_reg_read", "1f"], 1, 3, 0x1F, 0x0A,
            before=[["1", "3", "-fe_reg_write", "1f", "0a"]]),
    read_ok("register in upper case", ["1", "3", "-fe_reg_read", "1F"], 1, 3, 0x1F),
    read_ok("register with 0x", ["1", "3", "-fe_reg_read", "0x1F"], 1, 3, 0x1F),
    read_ok("register with 0X", ["1", "3", "-fe_reg_read", "0X1f"], 1, 3, 0x1F),
    read_ok("register with leading blanks", ["1", "3", "-fe_reg_read", "  \t1f"], 1, 3, 0x1F),
    read_ok("register with plus", ["1", "3", "-fe_reg_read", "+1f"], 1, 3, 0x1F),
    read_ok("register with trailing text", ["1", "3", "-fe_reg_read", "1fh"], 1, 3, 0x1F),
    read_ok("register 0x alone is 0", ["1", "3", "-fe_reg_read", "0x"], 1, 3, 0),
    read_ok("register with many leading zeros", ["1", "3", "-fe_reg_read", "000000000000ffff"],
            1, 3, 0xFFFF),
    read_ok("arguments after the register ignored", ["1", "3", "-fe_reg_read", "1f", "zz", "-x"],
            1, 3, 0x1F),
    read_ok("span with trailing text", ["2x", "3", "-fe_reg_read", "1"], 2, 3, 1),
    read_ok("span with blanks and sign", [" +8", "31", "-fe_reg_read", "1"], 8, 31, 1),
    read_ok("channel 010 is decimal ten", ["1", "010", "-fe_reg_read", "1"], 1, 10, 1),
    read_ok("other channels are separate", ["1", "4", "-fe_reg_read", "1f"], 1, 4, 0x1F, 0,
            before=[["1", "3", "-fe_reg_write", "1f", "0a"], ["2", "3", "-fe_reg_write", "1f", "0b"]]),
    Case("register above 0xFFFF is passed whole", ["1", "3", "-fe_reg_read", "12345"],
         err=b"Error, velkaro_fe_reg_read failed -22\n", status=1,
         trace=[opened(1, 3), read_trace(1, 3, 0x12345, -22), closed(1, 3)]),
    Case("register -1 wraps to 0xFFFFFFFF", ["1", "3", "-fe_reg_read", "-1"],
         err=b"Error, velkaro_fe_reg_read failed -22\n", status=1,
         trace=[opened(1, 3), read_trace(1, 3, 0xFFFFFFFF, -22), closed(1, 3)]),
    Case("register beyond 32 bits saturates", ["1", "3", "-fe_reg_read", "123456789abc"],
         err=b"Error, velkaro_fe_reg_read failed -22\n", status=1,
         trace=[opened(1, 3), read_trace(1, 3, 0xFFFFFFFF, -22), closed(1, 3)]),
]

WRITE_CASES = [
    Case("write echoes the whole value and writes its low byte", ["1", "3", "-fe_reg_write", "20", "1ff"],
         out=write_line(0x20, 0x1FF),
         trace=[opened(1, 3), write_trace(1, 3, 0x20, 0xFF, 0), closed(1, 3)],
         after=[(["1", "3", "-fe_reg_read", "20"], read_line(0x20, 0xFF))]),
    Case("small value echoed with two digits", ["1", "3", "-fe_reg_write", "20", "5"],
         out=write_line(0x20, 5),
         trace=[opened(1, 3), write_trace(1, 3, 0x20, 0x05, 0), closed(1, 3)]),
    Case("value -1 echoed whole", ["1", "3", "-fe_reg_write", "0x20", "-1"],
         out=write_line(0x20, 0xFFFFFFFF),
         trace=[opened(1, 3), write_trace(1, 3, 0x20, 0xFF, 0), closed(1, 3)]),
    Case("value beyond 32 bits saturates", ["1", "3", "-fe_reg_write", "20", "1234567890"],
         out=write_line(0x20, 0xFFFFFFFF),
         trace=[opened(1, 3), write_trace(1, 3, 0x20, 0xFF, 0), closed(1, 3)]),
    Case("arguments after the value ignored", ["8", "31", "-fe_reg_write", "ffff", "a5", "zz"],
         out=write_line(0xFFFF, 0xA5),
         trace=[opened(8, 31), write_trace(8, 31, 0xFFFF, 0xA5, 0), closed(8, 31)],
         after=[(["8", "31", "-fe_reg_read", "ffff"], read_line(0xFFFF, 0xA5)),
                (["8", "31", "-fe_reg_read", "fffe"], read_line(0xFFFE, 0))]),
    Case("wide register echoed with all its digits", ["1", "3", "-fe_reg_write", "12345", "5"],
         out=write_line(0x12345, 5), err=b"Error, velkaro_fe_reg_write failed -22\n", status=1,
         trace=[opened(1, 3), write_trace(1, 3, 0x12345, 0x05, -22), closed(1, 3)]),
]

FAILURE_CASES = [
    Case("open refused", ["1", "3", "-fe_reg_read", "1f"], env={"VELKARO_SIM_FAIL_OPEN": "1"},
         out=OPEN_FAILED, status=1, trace=["open span=1 chan=3 -> -1"]),
    Case("open refused before a write", ["1", "3", "-fe_reg_write", "20", "5"],
         env={"VELKARO_SIM_FAIL_OPEN": "1"}, out=OPEN_FAILED, status=1,
         trace=["open span=1 chan=3 -> -1"],
         after=[(["1", "3", "-fe_reg_read", "20"], read_line(0x20, 0))]),
    Case("span x gives 0, which the card refuses", ["x", "3", "-fe_reg_read", "1"],
         out=OPEN_FAILED, status=1, trace=["open span=0 chan=3 -> -1"]),
    Case("span 9 does not exist", ["9", "1", "-fe_reg_read", "1"],
         out=OPEN_FAILED, status=1, trace=["open span=9 chan=1 -> -1"]),
    Case("channel 32 does not exist", ["1", "32", "-fe_reg_read", "1"],
         out=OPEN_FAILED, status=1, trace=["open span=1 chan=32 -> -1"]),
    Case("negative channel", ["1", "-3", "-fe_reg_read", "1"],
         out=OPEN_FAILED, status=1, trace=["open span=1 chan=-3 -> -1"]),
    Case("huge span saturates", ["99999999999", "1", "-fe_reg_read", "1"],
         out=OPEN_FAILED, status=1, trace=["open span=2147483647 chan=1 -> -1"]),
    Case("huge negative channel saturates", ["1", "-99999999999", "-fe_reg_read", "1"],
         out=OPEN_FAILED, status=1, trace=["open span=1 chan=-2147483648 -> -1"]),
    Case("read refused", ["1", "3", "-fe_reg_read", "1f"], env={"VELKARO_SIM_READ_STATUS": "-5"},
         err=b"Error, velkaro_fe_reg_read failed -5\n", status=1,
         trace=[opened(1, 3), read_trace(1, 3, 0x1F, -5), closed(1, 3)]),
    Case("read refused with a positive status", ["1", "3", "-fe_reg_read", "1f"],
         env={"VELKARO_SIM_READ_STATUS": "2147483647"},
         err=b"Error, velkaro_fe_reg_read failed 2147483647\n", status=1,
         trace=[opened(1, 3), read_trace(1, 3, 0x1F, 2147483647), closed(1, 3)]),
    Case("write refused leaves the register as it was", ["1", "3", "-fe_reg_write", "20", "66"],
         env={"VELKARO_SIM_WRITE_STATUS": "7"}, before=[["1", "3", "-fe_reg_write", "20", "55"]],
         out=write_line(0x20, 0x66), err=b"Error, velkaro_fe_reg_write failed 7\n", status=1,
         trace=[opened(1, 3), write_trace(1, 3, 0x20, 0x66, 7), closed(1, 3)],
         after=[(["1", "3", "-fe_reg_read", "20"], read_line(0x20, 0x55))]),
    Case("read status knob does not touch a write", ["1", "3", "-fe_reg_write", "20", "1"],
         env={"VELKARO_SIM_READ_STATUS": "-5"}, out=write_line(0x20, 1),
         trace=[opened(1, 3), write_trace(1, 3, 0x20, 0x01, 0), closed(1, 3)]),
    Case("write echo comes before the error on a shared pipe", ["1", "3", "-fe_reg_write", "20", "5"],
         env={"VELKARO_SIM_WRITE_STATUS": "-5"}, merged=True,
         out=write_line(0x20, 5) + b"Error, velkaro_fe_reg_write failed -5\n", status=1,
         trace=[opened(1, 3), write_trace(1, 3, 0x20, 0x05, -5), closed(1, 3)]),
]


# A status knob that is set but not a signed decimal in the 32-bit range
# fails the call rather than let it change the card.
for knob in ["abc", "99999999999", "-2147483649", "-5 ", " -5", "--5", "5x", "0x10"]:
    FAILURE_CASES += [
        Case(f"malformed read status {knob!r}", ["1", "3", "-fe_reg_read", "20"],
             env={"VELKARO_SIM_READ_STATUS": knob}, err=b"Error, velkaro_fe_reg_read failed -22\n", status=1,
             trace=[opened(1, 3), read_trace(1, 3, 0x20, -22), closed(1, 3)]),
        Case(f"malformed write status {knob!r}", ["1", "3", "-fe_reg_write", "20", "66"],
             env={"VELKARO_SIM_WRITE_STATUS": knob}, before=[["1", "3", "-fe_reg_write", "20", "55"]],
             out=write_line(0x20, 0x66), err=b"Error, velkaro_fe_reg_write failed -22\n", status=1,
             trace=[opened(1, 3), write_trace(1, 3, 0x20, 0x66, -22), closed(1, 3)],
             after=[(["1", "3", "-fe_reg_read", "20"], read_line(0x20, 0x55))]),
    ]
FAILURE_CASES += [
    read_ok("read status 0 forces nothing", ["1", "3", "-fe_reg_read", "20"], 1, 3, 0x20,
            env={"VELKARO_SIM_READ_STATUS": "0"}),
    read_ok("empty read status forces nothing", ["1", "3", "-fe_reg_read", "20"], 1, 3, 0x20,
            env={"VELKARO_SIM_READ_STATUS": ""}),
    Case("lowest write status", ["1", "3", "-fe_reg_write", "20", "1"],
         env={"VELKARO_SIM_WRITE_STATUS": "-2147483648"}, out=write_line(0x20, 1),
         err=b"Error, velkaro_fe_reg_write failed -2147483648\n", status=1,
         trace=[opened(1, 3), write_trace(1, 3, 0x20, 0x01, -2147483648), closed(1, 3)]),
]


def default_folder_env(work):
    """No VELKARO_SIM_DIR, and a temporary folder of the case's own."""
    os.makedirs(os.path.join(work, "tmp"), exist_ok=True)
    return {"VELKARO_SIM_DIR": None, "TMPDIR": os.path.join(work, "tmp")}


def default_folder(work):
    return os.path.join(work, "tmp", f"velkaro-sim-{os.getuid()}")


def default_folder_made_private(runner, work):
    """Under umask 000 the card still makes its default folder 0700, and
    uses it from one run to the next."""
    env = runner.env(None, None, default_folder_env(work))
    problems = []
    out, err, status = runner.run(["2", "4", "-fe_reg_write", "10", "3c"], env, umask=0)
    if (out, err, status) != (runner.expected_text(write_line(0x10, 0x3C)), b"", 0):
        problems.append(f"write: {out!r} {err!r} status {status}")
    folder = default_folder(work)
    if not os.path.isdir(folder) or os.path.islink(folder):
        return problems + [f"no folder {folder}: {os.listdir(os.path.join(work, 'tmp'))}"]
    mode = stat.S_IMODE(os.lstat(folder).st_mode)
    if mode != 0o700:
        problems.append(f"default folder has mode {mode:o}")
    out, err, status = runner.run(["2", "4", "-fe_reg_read", "10"], env)
    if (out, status) != (runner.expected_text(read_line(0x10, 0x3C)), 0):
        problems.append(f"read back: {out!r} {err!r} status {status}")
    return problems


def planted_default_folder(make):
    def prepare(work):
        os.makedirs(os.path.join(work, "tmp"))
        make(work, default_folder(work))
    return prepare


def link_to_elsewhere(work, folder):
    os.makedirs(os.path.join(work, "elsewhere"))
    os.symlink(os.path.join(work, "elsewhere"), folder)


def folder_with_mode(mode):
    def make(work, folder):
        os.mkdir(folder)
        os.chmod(folder, mode)
    return make


def folder_of_nobody(work, folder):
    os.mkdir(folder, 0o700)
    os.chown(folder, 65534, 65534)


def refused_default(name, make, why, **kw):
    return Case(name, ["1", "3", "-fe_reg_write", "1f", "1"], env={"VELKARO_SIM_DIR": None,
                                                                  "TMPDIR": "{work}/tmp"},
                prepare=planted_default_folder(make), out=OPEN_FAILED, status=1,
                err=b"velkaro-sim: state folder {work}/tmp/velkaro-sim-{uid} " + why + b"\n",
                trace=["open span=1 chan=3 -> -1"], **kw)


DEFAULT_FOLDER_CASES = [
    Case("default folder is made private", [], check=default_folder_made_private, needs=("posix",)),
    refused_default("link planted as default folder", link_to_elsewhere, b"is a symbolic link",
                    verify=lambda work: [f"written through the link: {os.listdir(os.path.join(work, 'elsewhere'))}"]
                    if os.listdir(os.path.join(work, "elsewhere")) else [], needs=("posix",)),
    refused_default("default folder writable by all", folder_with_mode(0o777), b"is writable by other users",
                    needs=("posix",)),
    refused_default("default folder writable by its group", folder_with_mode(0o770),
                    b"is writable by other users", needs=("posix",)),
    refused_default("file planted as default folder", lambda work, folder: put_file(folder, 1),
                    b"is not a folder", needs=("posix",)),
    refused_default("default folder of another user", folder_of_nobody, b"belongs to another user",
                    needs=("posix", "root")),
    read_ok("default folder of the user, readable by all", ["1", "3", "-fe_reg_read", "1f"], 1, 3, 0x1F,
            env={"VELKARO_SIM_DIR": None, "TMPDIR": "{work}/tmp"},
            prepare=planted_default_folder(folder_with_mode(0o755)), needs=("posix",)),
]


def lost(why):
    return f"feregtool: cannot write standard output: {why}\n".encode()




def dump_table(first, last, data):
    """The table that a dump of first to last prints, from a reference of
    its own: data(reg) is the byte of a register, or None for a failed read."""
    digits = max(4, len(f"{last & ~0xF:X}"))
    lines = [b"", b" " * (digits + 3) + b"".join(f"  {c:X}".encode() for c in range(16))]
    for row in range(first & ~0xF, last + 1, 16):
        cells = []
        for reg in range(row, min(row + 16, last + 1)):
            value = data(reg) if reg >= first else b""
            cells.append(b"   " if reg < first else b" XX" if value is None else f" {value:02X}".encode())
        lines.append(f"0x{row:0{digits}X}:".encode() + b"".join(cells))
    return b"\n".join(lines) + b"\n"


def dump_trace(span, chan, first, last, data):
    lines = [opened(span, chan)]
    for reg in range(first, last + 1):
        value = data(reg)
        lines.append(read_trace(span, chan, reg, -22 if value is None else 0, value))
    return lines + [closed(span, chan)]


def card(**registers):
    """A simulated card's registers: names like r1c give the register in hex;
    above 0xFFFF a read fails."""
    values = {int(name[1:], 16): value for name, value in registers.items()}
    return lambda reg: None if reg > 0xFFFF else values.get(reg, 0)


def dump_ok(name, first, last, data=card(), status=0, **kw):
    args = ["1", "3", "-fe_reg_dump", f"{first:x}"] + ([] if kw.pop("no_last", False) else [f"{last:x}"])
    failed = [data(reg) for reg in range(first, last + 1)].count(None)
    return Case(name, args, out=dump_table(first, last, data),
                err=b"Error, velkaro_fe_reg_read failed -22\n" if failed else b"", status=1 if failed else 0,
                trace=dump_trace(1, 3, first, last, data), **kw)


EXAMPLE_CARD = [["1", "3", "-fe_reg_write", "1c", "0a"], ["1", "3", "-fe_reg_write", "20", "5a"]]

DUMP_CASES = [
    Case("dump of a part of two rows", ["1", "3", "-fe_reg_dump", "1c", "23"], before=EXAMPLE_CARD,
         out=b"\n"
             b"         0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F\n"
             b"0x0010:                                     0A 00 00 00\n"
             b"0x0020: 5A 00 00 00\n",
         trace=dump_trace(1, 3, 0x1C, 0x23, card(r1c=0x0A, r20=0x5A))),
    Case("dump across the card's last register", ["1", "3", "-fe_reg_dump", "fff8", "10007"],
         before=[["1", "3", "-fe_reg_write", "ffff", "ff"]],
         out=b"\n"
             b"          0  1  2  3  4  5  6  7  8  9  A  B  C  D  E  F\n"
             b"0x0FFF0:                         00 00 00 00 00 00 00 FF\n"
             b"0x10000: XX XX XX XX XX XX XX XX\n",
         err=b"Error, velkaro_fe_reg_read failed -22\n", status=1,
         trace=dump_trace(1, 3, 0xFFF8, 0x10007, card(rffff=0xFF))),
    dump_ok("dump of 256 registers by default", 0, 0xFF, card(r0=1, r1f=0x1F, rff=0xFE), no_last=True,
            before=[["1", "3", "-fe_reg_write", "0", "1"], ["1", "3", "-fe_reg_write", "1f", "1f"],
                    ["1", "3", "-fe_reg_write", "ff", "fe"]]),
    dump_ok("dump of 256 registers from an unaligned one", 0x85, 0x184, no_last=True),
    dump_ok("dump of one register", 0x20, 0x20),
    dump_ok("dump stops at the last register there is", 0xFFFFFFFE, 0xFFFFFFFF, no_last=True),
    dump_ok("dump of the most registers at once", 0x10, 0x1000F),
    Case("dump with the card refusing every read", ["1", "3", "-fe_reg_dump", "1e", "21"],
         env={"VELKARO_SIM_READ_STATUS": "-5"}, merged=True,
         out=dump_table(0x1E, 0x21, lambda reg: None) + b"Error, velkaro_fe_reg_read failed -5\n", status=1,
         trace=[opened(1, 3)] + [read_trace(1, 3, reg, -5) for reg in range(0x1E, 0x22)] + [closed(1, 3)]),
    Case("dump with the open refused", ["1", "3", "-fe_reg_dump", "0"], env={"VELKARO_SIM_FAIL_OPEN": "1"},
         out=OPEN_FAILED, status=1, trace=["open span=1 chan=3 -> -1"]),
    Case("dump range backwards", ["1", "3", "-fe_reg_dump", "20", "1f"], status=2, trace=[],
         err=b"feregtool: -fe_reg_dump: the last register is below the first\n"),
    Case("dump range one register too long", ["1", "3", "-fe_reg_dump", "10", "10010"], status=2, trace=[],
         err=b"feregtool: -fe_reg_dump: more than 65536 registers\n"),
    Case("dump range of every register", ["1", "3", "-fe_reg_dump", "0", "-1"], status=2, trace=[],
         err=b"feregtool: -fe_reg_dump: more than 65536 registers\n"),
]

MODIFY_CASES = [
    Case("modify the low four bits", ["1", "3", "-fe_reg_modify", "20", "01", "0f"],
         before=[["1", "3", "-fe_reg_write", "20", "5a"]],
         out=b"\nFE READ Reg=0x0020 Data=5A\n\nFE WRITE Reg=0x0020 Data=51\n",
         trace=[opened(1, 3), read_trace(1, 3, 0x20, 0, 0x5A), write_trace(1, 3, 0x20, 0x51, 0), closed(1, 3)],
         after=[(["1", "3", "-fe_reg_read", "20"], read_line(0x20, 0x51))]),
    Case("modify that changes nothing still writes", ["8", "31", "-fe_reg_modify", "ffff", "ff", "0"],
         out=read_line(0xFFFF, 0) + write_line(0xFFFF, 0),
         trace=[opened(8, 31), read_trace(8, 31, 0xFFFF, 0, 0), write_trace(8, 31, 0xFFFF, 0, 0), closed(8, 31)]),
    Case("modify counts only the low 8 bits of value and mask", ["1", "3", "-fe_reg_modify", "20", "1f0", "10f"],
         before=[["1", "3", "-fe_reg_write", "20", "5a"]],
         out=read_line(0x20, 0x5A) + write_line(0x20, 0x50),
         trace=[opened(1, 3), read_trace(1, 3, 0x20, 0, 0x5A), write_trace(1, 3, 0x20, 0x50, 0), closed(1, 3)]),
    Case("modify with every bit selected", ["1", "3", "-fe_reg_modify", "0x20", "-1", "-1"],
         out=read_line(0x20, 0) + write_line(0x20, 0xFF),
         trace=[opened(1, 3), read_trace(1, 3, 0x20, 0, 0), write_trace(1, 3, 0x20, 0xFF, 0), closed(1, 3)]),
    Case("modify whose read fails writes nothing", ["1", "3", "-fe_reg_modify", "20", "1", "1"],
         env={"VELKARO_SIM_READ_STATUS": "-5"}, err=b"Error, velkaro_fe_reg_read failed -5\n", status=1,
         trace=[opened(1, 3), read_trace(1, 3, 0x20, -5), closed(1, 3)]),
    Case("modify of a register the card lacks", ["1", "3", "-fe_reg_modify", "10000", "1", "1"],
         err=b"Error, velkaro_fe_reg_read failed -22\n", status=1,
         trace=[opened(1, 3), read_trace(1, 3, 0x10000, -22), closed(1, 3)]),
    Case("modify whose write fails", ["1", "3", "-fe_reg_modify", "20", "ff", "f0"], merged=True,
         env={"VELKARO_SIM_WRITE_STATUS": "7"}, before=[["1", "3", "-fe_reg_write", "20", "5a"]],
         out=read_line(0x20, 0x5A) + write_line(0x20, 0xFA) + b"Error, velkaro_fe_reg_write failed 7\n",
         status=1,
         trace=[opened(1, 3), read_trace(1, 3, 0x20, 0, 0x5A), write_trace(1, 3, 0x20, 0xFA, 7), closed(1, 3)],
         after=[(["1", "3", "-fe_reg_read", "20"], read_line(0x20, 0x5A))]),
    Case("modify with the open refused", ["1", "3", "-fe_reg_modify", "20", "1", "1"],
         env={"VELKARO_SIM_FAIL_OPEN": "1"}, out=OPEN_FAILED, status=1, trace=["open span=1 chan=3 -> -1"]),
]


def project_version():
    top = os.path.join(os.path.dirname(__file__), "..", "..", "CMakeLists.txt")
    with open(top) as f:
        return re.search(r"project\(feregtool\s+VERSION (\S+)", f.read()).group(1)


def help_text(runner, work):
    """The help names every form of the command line and the exit statuses,
    points to the manual, and is the same for each way of asking."""
    env = runner.env(os.path.join(work, "state"), os.path.join(work, "trace"), {})
    problems = []
    first = None
    for args in (["--help"], ["-h"], ["/?"], ["--help", "1", "-fe_reg_read", "1f"]):
        out, err, status = runner.run(args, env)
        if (err, status) != (b"", 0):
            problems.append(f"{args}: {err!r} status {status}")
        first = out if first is None else first
        if out != first:
            problems.append(f"{args} prints another text: {out!r}")
    want = [b"feregtool span chan -fe_reg_read reg", b"feregtool span chan -fe_reg_write reg value",
            b"feregtool span chan -fe_reg_dump first [last]", b"feregtool span chan -fe_reg_modify reg value mask",
            b"--version", b"hexadecimal", b"Exit status: 0", b"standard output could not be written",
            b"velkaro-sim-UID", b"feregtool(1)"]
    problems += [f"help lacks {w!r}" for w in want if w not in first]
    if not first.startswith(runner.expected_text(b"Usage: feregtool span chan -fe_reg_read reg\n")):
        problems.append(f"help does not start with the first form: {first[:60]!r}")
    if os.path.exists(os.path.join(work, "trace")):
        problems.append("help called the library")
    return problems


HELP_CASES = [
    Case("help", [], check=help_text),
    Case("version", ["--version"], out=f"feregtool {project_version()}\n".encode(), trace=[]),
    Case("version with more arguments", ["--version", "3", "-fe_reg_read", "1f"],
         out=f"feregtool {project_version()}\n".encode(), trace=[]),
    Case("help is taken only as argument one", ["1", "--help"], out=USAGE, status=2, trace=[]),
    Case("help in upper case is not help", ["--HELP"], out=USAGE, status=2, trace=[]),
    Case("help to a full device", ["--help"], stdout="full", err=lost("No space left on device"), status=1,
         trace=[]),
]


# Standard output that cannot take the result: the run has failed, and says
# why on standard error. A write is made all the same once the channel is open.
LOST_OUTPUT_CASES = [
    Case("read to a full device", ["1", "3", "-fe_reg_read", "20"], stdout="full",
         err=lost("No space left on device"), status=1,
         trace=[opened(1, 3), read_trace(1, 3, 0x20, 0, 0), closed(1, 3)]),
    Case("write with standard output closed", ["1", "3", "-fe_reg_write", "20", "5a"], stdout="closed",
         err=lost("Bad file descriptor"), status=1,
         trace=[opened(1, 3), write_trace(1, 3, 0x20, 0x5A, 0), closed(1, 3)],
         after=[(["1", "3", "-fe_reg_read", "20"], read_line(0x20, 0x5A))]),
    # Without a guard the echo's flush kills the run before the write.
    Case("write to a pipe whose reader has gone", ["1", "3", "-fe_reg_write", "24", "5a"], stdout="gone",
         # The Windows C library has no error number of its own for a pipe
         # being closed, and calls it an invalid argument.
         err=lost("Broken pipe"), windows_err=lost("Invalid argument"), status=1,
         trace=[opened(1, 3), write_trace(1, 3, 0x24, 0x5A, 0), closed(1, 3)],
         after=[(["1", "3", "-fe_reg_read", "24"], read_line(0x24, 0x5A))]),
    # The card's files never take the place of a closed standard stream, or
    # the lines meant for it would land in the registers.
    Case("modify with standard output closed changes one register", ["1", "3", "-fe_reg_modify", "20", "1", "f"],
         stdout="closed", before=[["1", "3", "-fe_reg_write", "20", "5a"]],
         err=lost("Bad file descriptor"), status=1,
         trace=[opened(1, 3), read_trace(1, 3, 0x20, 0, 0x5A), write_trace(1, 3, 0x20, 0x51, 0), closed(1, 3)],
         after=[(["1", "3", "-fe_reg_dump", "0", "3f"], dump_table(0, 0x3F, card(r20=0x51)))]),
    Case("failed write and lost echo report both", ["1", "3", "-fe_reg_write", "20", "5"], stdout="full",
         env={"VELKARO_SIM_WRITE_STATUS": "-5"},
         err=b"Error, velkaro_fe_reg_write failed -5\n" + lost("No space left on device"), status=1,
         trace=[opened(1, 3), write_trace(1, 3, 0x20, 0x05, -5), closed(1, 3)]),
    Case("failed open to a full device", ["1", "3", "-fe_reg_read", "20"], stdout="full",
         env={"VELKARO_SIM_FAIL_OPEN": "1"}, err=lost("No space left on device"), status=1,
         trace=["open span=1 chan=3 -> -1"]),
    Case("usage to a full device stays status 2", ["1", "3"], stdout="full",
         err=lost("No space left on device"), status=2, trace=[]),
]


def run_together(runner, arg_lists, env):
    """Starts every run at once, waits for all; returns the problems seen."""
    started = [runner.start(args, env) for args in arg_lists]
    problems = []
    for args, run in zip(arg_lists, started):
        out, err, status = runner.finish(run)
        if runner.emulator_failed(err, status):
            out, err, status = runner.run(args, env)
        if status != 0 or err:
            problems.append(f"a writer ended {status}: {out!r} {err!r}")
    return problems


def concurrent_writers(runner, work):
    """Many runs at once, each writing its own register of a channel whose
    state does not exist yet: none of the writes may be lost."""
    env = runner.env(os.path.join(work, "state"), None, {})
    count = 24
    problems = run_together(
        runner, [["2", "5", "-fe_reg_write", f"{reg:x}", f"{reg + 0x40:x}"] for reg in range(count)], env)
    for reg in range(count):
        out, err, status = runner.run(["2", "5", "-fe_reg_read", f"{reg:x}"], env)
        if (out, status) != (runner.expected_text(read_line(reg, reg + 0x40)), 0):
            problems.append(f"register {reg:#x} reads {out!r} {err!r} status {status}")
    return problems


def same_register_writers(runner, work):
    """Runs that write one register at the same moment: one value wins, whole."""
    env = runner.env(os.path.join(work, "state"), None, {})
    values = [0x11, 0x22, 0x44, 0x88, 0xF0, 0x0F]
    problems = run_together(runner, [["3", "7", "-fe_reg_write", "abc", f"{v:x}"] for v in values * 3], env)
    out, _, status = runner.run(["3", "7", "-fe_reg_read", "abc"], env)
    if status != 0 or out not in [runner.expected_text(read_line(0xABC, v)) for v in values]:
        problems.append(f"register reads {out!r}, status {status}, not one of the values written")
    return problems


def persistence(runner, work):
    """Writes stay on the card from one run to the next, channel by channel."""
    env = runner.env(os.path.join(work, "state"), None, {})
    writes = [("1", "1", "0", "1"), ("1", "1", "ffff", "fe"), ("8", "31", "0", "2"), ("4", "17", "100", "3")]
    for span, chan, reg, value in writes:
        runner.run([span, chan, "-fe_reg_write", reg, value], env)
    problems = []
    for span, chan, reg, value in writes + [("1", "2", "0", "0"), ("4", "17", "ff", "0")]:
        out, _, status = runner.run([span, chan, "-fe_reg_read", reg], env)
        want = runner.expected_text(read_line(int(reg, 16), int(value, 16)))
        if (out, status) != (want, 0):
            problems.append(f"{span}/{chan} register {reg} reads {out!r}, want {want!r}")
    return problems


STATE_CASES = [
    Case("writes persist across runs", [], check=persistence),
    Case("concurrent writers lose nothing", [], check=concurrent_writers),
    Case("concurrent writers of one register", [], check=same_register_writers),
]

def channel_file(work, span=1, chan=3):
    return os.path.join(work, "state", f"span{span}-chan{chan:02d}.fe")


def put_file(path, size):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(bytes([0x5A]) * size)


def channel_state_of_size(size):
    return lambda work: put_file(channel_file(work), size)


def channel_state_unchanged(size):
    def verify(work):
        with open(channel_file(work), "rb") as f:
            content = f.read()
        return [] if content == bytes([0x5A]) * size else [f"channel state changed to {len(content)} bytes"]
    return verify


def folder_in_place_of_channel_state(work):
    os.makedirs(channel_file(work))


def file_at(*parts):
    return lambda work: put_file(os.path.join(work, *parts), 10)


def refused_read(name, **kw):
    return Case(name, ["1", "3", "-fe_reg_read", "1f"], err=b"Error, velkaro_fe_reg_read failed -5\n",
                status=1, trace=[opened(1, 3), read_trace(1, 3, 0x1F, -5), closed(1, 3)], **kw)


def refused_write(name, **kw):
    return Case(name, ["1", "3", "-fe_reg_write", "1f", "a5"], out=write_line(0x1F, 0xA5),
                err=b"Error, velkaro_fe_reg_write failed -5\n", status=1,
                trace=[opened(1, 3), write_trace(1, 3, 0x1F, 0xA5, -5), closed(1, 3)], **kw)


def channel_link_to(target, size=None):
    """A symbolic link in the channel file's place, to a file of that size
    filled with 0x5A, or to nothing."""
    def prepare(work):
        if size is not None:
            put_file(os.path.join(work, target), size)
        os.makedirs(os.path.join(work, "state"), exist_ok=True)
        os.symlink(os.path.join(work, target), channel_file(work))
    return prepare


def victim_unchanged(size, name="victim"):
    def verify(work):
        with open(os.path.join(work, name), "rb") as f:
            content = f.read()
        return [] if content == bytes([0x5A]) * size else [f"{name} changed: {len(content)} bytes"]
    return verify


def nothing_at(name):
    return lambda work: [f"{name} was made"] if os.path.lexists(os.path.join(work, name)) else []


def fifo_in_place_of_channel_state(work):
    os.makedirs(os.path.join(work, "state"))
    os.mkfifo(channel_file(work))


def device_in_place_of_channel_state(work):
    os.makedirs(os.path.join(work, "state"))
    os.mknod(channel_file(work), 0o666 | stat.S_IFCHR, os.makedev(1, 3))  # as /dev/null


def first_write_follows_no_planted_link(runner, work):
    """Links planted under every name that a first write could make next to
    the channel file, for the process ids that come next: none is followed."""
    env = runner.env(os.path.join(work, "state"), None, {})
    put_file(os.path.join(work, "victim"), 19)
    os.makedirs(os.path.join(work, "state"))
    with open("/proc/sys/kernel/ns_last_pid") as f:
        last_pid = int(f.read())
    for pid in range(last_pid + 1, last_pid + 400):
        for name in (f"span1-chan07.fe.{pid}.new", f"span1-chan07.fe.{pid}", f"span1-chan07.fe.tmp{pid}"):
            os.symlink(os.path.join(work, "victim"), os.path.join(work, "state", name))
    problems = []
    out, err, status = runner.run(["1", "7", "-fe_reg_write", "30", "c3"], env)
    if (out, err, status) != (runner.expected_text(write_line(0x30, 0xC3)), b"", 0):
        problems.append(f"first write: {out!r} {err!r} status {status}")
    out, err, status = runner.run(["1", "7", "-fe_reg_read", "30"], env)
    if (out, status) != (runner.expected_text(read_line(0x30, 0xC3)), 0):
        problems.append(f"read back: {out!r} {err!r} status {status}")
    return problems + victim_unchanged(19)(work)


def killed_writers(runner, work):
    """First writes of a channel killed at every moment of their run: what
    stays in the state folder is channel files, whole or empty, and the
    channel still takes a write and reads it back."""
    env = runner.env(os.path.join(work, "state"), None, {})
    args = ["1", "9", "-fe_reg_write", "40", "77"]
    started = time.monotonic()
    runner.run(args, env)
    run_time = time.monotonic() - started
    runs = 40 if runner.windows else 300
    state = os.path.join(work, "state")
    problems = []
    for i in range(runs):
        if os.path.exists(channel_file(work, 1, 9)):
            os.remove(channel_file(work, 1, 9))
        proc, out, err = runner.start(args, env)
        time.sleep(run_time * i / runs)
        proc.send_signal(signal.SIGKILL)
        runner.finish((proc, out, err))
    for name in sorted(os.listdir(state)):
        size = os.lstat(os.path.join(state, name)).st_size
        if name != "span1-chan09.fe" or size not in (0, 0x10000):
            problems.append(f"left behind: {name} of {size} bytes")
    out, err, status = runner.run(args, env)
    if status != 0:
        problems.append(f"after the kills a write ends {status}: {out!r} {err!r}")
    out, err, status = runner.run(["1", "9", "-fe_reg_read", "40"], env)
    if (out, status) != (runner.expected_text(read_line(0x40, 0x77)), 0):
        problems.append(f"after the kills the channel reads {out!r} {err!r} status {status}")
    return problems


BAD_STATE_CASES = [
    Case("state folder is a file", ["1", "3", "-fe_reg_read", "1f"], prepare=file_at("state"),
         out=OPEN_FAILED, status=1, trace=["open span=1 chan=3 -> -1"]),
    Case("state folder cannot be made", ["1", "3", "-fe_reg_write", "1f", "1"],
         prepare=file_at("blocker"), env={"VELKARO_SIM_DIR": "{work}/blocker/state"},
         out=OPEN_FAILED, status=1, trace=["open span=1 chan=3 -> -1"]),
    refused_read("truncated channel state", prepare=channel_state_of_size(100),
                 verify=channel_state_unchanged(100)),
    refused_write("write to truncated channel state", prepare=channel_state_of_size(100),
                  verify=channel_state_unchanged(100)),
    refused_read("channel state too long", prepare=channel_state_of_size(0x10001)),
    refused_write("write to channel state too long", prepare=channel_state_of_size(0x10001),
                  verify=channel_state_unchanged(0x10001)),
    refused_read("unreadable channel state", prepare=folder_in_place_of_channel_state),
    refused_write("write to unreadable channel state", prepare=folder_in_place_of_channel_state),
    read_ok("other channels unaffected by a bad one", ["1", "4", "-fe_reg_read", "1f"], 1, 4, 0x1F,
            prepare=channel_state_of_size(100)),
    refused_read("link in place of channel state", prepare=channel_link_to("victim", 0x10000),
                 verify=victim_unchanged(0x10000), needs=("posix",)),
    refused_write("write to a link in place of channel state", prepare=channel_link_to("victim", 0x10000),
                  verify=victim_unchanged(0x10000), needs=("posix",)),
    refused_read("dangling link in place of channel state", prepare=channel_link_to("nowhere"),
                 needs=("posix",)),
    refused_write("write to a dangling link in place of channel state", prepare=channel_link_to("nowhere"),
                  verify=nothing_at("nowhere"), needs=("posix",)),
    refused_read("FIFO in place of channel state", prepare=fifo_in_place_of_channel_state, needs=("posix",)),
    refused_write("write to a FIFO in place of channel state", prepare=fifo_in_place_of_channel_state,
                  needs=("posix",)),
    refused_read("device in place of channel state", prepare=device_in_place_of_channel_state,
                 needs=("posix", "root")),
    refused_write("write to a device in place of channel state", prepare=device_in_place_of_channel_state,
                  needs=("posix", "root")),
    Case("first write follows no planted link", [], check=first_write_follows_no_planted_link,
         needs=("posix",)),
    Case("killed writers leave only whole or empty channel files", [], check=killed_writers),
    Case("trace FIFO without a reader is skipped", ["1", "3", "-fe_reg_read", "1f"],
         env={"VELKARO_SIM_TRACE": "{work}/fifo"}, prepare=lambda work: os.mkfifo(os.path.join(work, "fifo")),
         out=read_line(0x1F, 0), needs=("posix",)),
    Case("trace file that cannot be opened", ["1", "3", "-fe_reg_read", "1f"],
         env={"VELKARO_SIM_TRACE": "{work}/no/such/folder/trace"}, out=read_line(0x1F, 0)),
    Case("trace path that is a folder", ["1", "3", "-fe_reg_write", "1f", "7"],
         env={"VELKARO_SIM_TRACE": "{work}"}, out=write_line(0x1F, 7),
         after=[(["1", "3", "-fe_reg_read", "1f"], read_line(0x1F, 7))]),
    Case("trace of a failed read to a bad path", ["1", "3", "-fe_reg_read", "1f"],
         env={"VELKARO_SIM_TRACE": "{work}/no/such/folder/trace", "VELKARO_SIM_READ_STATUS": "-5"},
         err=b"Error, velkaro_fe_reg_read failed -5\n", status=1),
]

GROUPS = {
    "dump": DUMP_CASES,
    "modify": MODIFY_CASES,
    "help": HELP_CASES,
    "lost_output": LOST_OUTPUT_CASES,
    "default_folder": DEFAULT_FOLDER_CASES,
    "usage": USAGE_CASES,
    "read": READ_CASES,
    "write": WRITE_CASES,
    "failure": FAILURE_CASES,
    "state": STATE_CASES,
    "bad_state": BAD_STATE_CASES,
}
