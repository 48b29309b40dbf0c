#!/usr/bin/env python3
"""Runs feregtool as a user does, against the simulated card, and compares
the exact bytes of both streams, the exit status and the card's call trace
with a table of cases.

usage: run_cases.py GROUP [EMULATOR...] TOOL

EMULATOR is the command that runs a cross-built TOOL (wine64, qemu-i386).
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile

import cases


class Runner:
    def __init__(self, command):
        self.command = command
        self.windows = command[-1].lower().endswith(".exe")

    def host_path(self, path):
        # A Windows program under wine sees the Unix tree as drive Z:.
        if self.windows:
            return "Z:" + path.replace("/", "\\")
        return path

    def expected_text(self, text):
        # A Windows console program writes its lines in text mode.
        return text.replace(b"\n", b"\r\n") if self.windows else text

    def env(self, state_dir, trace_file, extra):
        env = {k: v for k, v in os.environ.items() if not k.startswith("VELKARO_SIM_")}
        if state_dir:
            env["VELKARO_SIM_DIR"] = self.host_path(state_dir)
        if trace_file:
            env["VELKARO_SIM_TRACE"] = self.host_path(trace_file)
        if self.windows:
            env.setdefault("WINEDEBUG", "-all")
        for key, value in extra.items():
            is_path = key in ("VELKARO_SIM_DIR", "VELKARO_SIM_TRACE")
            if value is None:
                env.pop(key, None)
            else:
                env[key] = self.host_path(value) if is_path else value
        return env

    def start(self, args, env, merged=False, stdout=None, umask=-1):
        """stdout, when given, is where standard output goes instead of a
        file that is read back: "full" (/dev/full), "closed" (no stream at
        all) or "gone" (a pipe whose reader has left)."""
        # Output goes to files, not pipes: wine's server inherits the
        # streams and would hold a pipe open for seconds after the run.
        err = tempfile.TemporaryFile()
        out = err if merged else tempfile.TemporaryFile()
        target, close_stdout, pipe_end = out, None, None
        if stdout == "full":
            target = pipe_end = open("/dev/full", "wb")
        elif stdout == "closed":
            target, close_stdout = None, lambda: os.close(1)
        elif stdout == "gone":
            reader, writer = os.pipe()
            os.close(reader)
            target = pipe_end = writer
        proc = subprocess.Popen(self.command + list(args), stdin=subprocess.DEVNULL,
                                stdout=target, stderr=err, env=env, umask=umask,
                                preexec_fn=close_stdout)
        if pipe_end is not None:
            if isinstance(pipe_end, int):
                os.close(pipe_end)
            else:
                pipe_end.close()
        return proc, out, err

    @staticmethod
    def finish(started, timeout=120):
        proc, out, err = started
        try:
            status = proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            proc.kill()
            proc.wait()
            status = f"hung, killed after {timeout} s"
        texts = []
        for f in (out, err):
            f.seek(0)
            texts.append(f.read())
        out.close()
        err.close()
        if out is err:
            texts[1] = b""
        return texts[0], texts[1], status

    def emulator_failed(self, err, status):
        """Whether wine itself failed before the program could run: under
        load its server sometimes drops a client as it starts. The tool
        never prints such a line."""
        return self.windows and status != 0 and err.startswith(b"wine client error")

    def run(self, args, env, merged=False, stdout=None, umask=-1):
        for _ in range(3):
            out, err, status = self.finish(self.start(args, env, merged, stdout, umask))
            if not self.emulator_failed(err, status):
                break
            print(f"  (wine failed to start {args}, run again: {err!r})")
        return out, err, status

    def cannot_run(self, case):
        """Why this target cannot run the case, or None."""
        if "posix" in case.needs and self.windows:
            return "needs POSIX files and signals"
        if "root" in case.needs and os.geteuid() != 0:
            return "needs root"
        return None


def check_case(runner, case, work):
    """Returns a list of differences; empty when the case passed."""
    state_dir = os.path.join(work, "state")
    trace_file = os.path.join(work, "trace")
    quiet_env = runner.env(state_dir, None, {})
    problems = []
    if case.prepare is not None:
        case.prepare(work)

    for args in case.before:
        out, err, status = runner.run(args, quiet_env)
        if status != 0:
            problems.append(f"setup run {args} ended {status}: {out!r} {err!r}")
            return problems

    extra = {key: value if value is None else value.format(work=work)
             for key, value in case.env.items()}
    env = runner.env(state_dir, trace_file, extra)
    out, err, status = runner.run(case.args, env, merged=case.merged, stdout=case.stdout,
                                  umask=case.umask)

    def differ(what, got, want):
        if got != want:
            problems.append(f"{what}:\n    got  {got!r}\n    want {want!r}")

    differ("stdout", out, runner.expected_text(case.out))
    if not case.merged:
        want_err = case.windows_err if runner.windows and case.windows_err is not None else case.err
        want_err = want_err.replace(b"{work}", work.encode()).replace(b"{uid}", str(os.getuid()).encode())
        differ("stderr", err, runner.expected_text(want_err))
    differ("exit status", status, case.status)
    if case.trace is not None:
        got_trace = b""
        if os.path.exists(trace_file):
            with open(trace_file, "rb") as f:
                got_trace = f.read()
        differ("trace", got_trace, "".join(line + "\n" for line in case.trace).encode())

    if case.verify is not None:
        problems += case.verify(work)
    for args, want in case.after:
        out, err, status = runner.run(args, quiet_env)
        differ(f"afterwards {' '.join(args)}", (out, err, status), (runner.expected_text(want), b"", 0))
    return problems


def main(argv):
    if len(argv) < 3:
        print(__doc__, file=sys.stderr)
        return 2
    group, command = argv[1], argv[2:]
    runner = Runner(command)
    selected = cases.GROUPS.get(group)
    if selected is None:
        print(f"no group {group!r}; groups: {', '.join(cases.GROUPS)}", file=sys.stderr)
        return 2

    passed = failed = skipped = 0
    for case in selected:
        reason = runner.cannot_run(case)
        if reason is not None:
            skipped += 1
            print(f"skip {case.name}  ({reason})")
            continue
        work = tempfile.mkdtemp(prefix="feregtool-case-")
        try:
            if case.check is not None:
                problems = case.check(runner, work)
            else:
                problems = check_case(runner, case, work)
        finally:
            shutil.rmtree(work, ignore_errors=True)
        if problems:
            failed += 1
            print(f"FAIL {case.name}  (args {case.args!r})")
            for problem in problems:
                print("  " + problem)
        else:
            passed += 1
            print(f"ok   {case.name}")
    print(f"{passed} passed, {failed} failed" + (f", {skipped} skipped" if skipped else ""))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
