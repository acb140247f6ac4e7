#!/usr/bin/env python3
"""An export killed at any of its renames is never seen mixed.

quilmorante-export --all writes the sixteen frames and every other format as one batch, the
frames into the data folder's result/ and the rest into a folder beside the data folder,
replacing a longer loop's numbered frames (which it removes with the set). The
test kills it (strace's fault injection) at each rename of that batch in turn, then lets the
other program recover: every other kill the editor, started on the data folder as a user
would (without a display it stops right after its start-up work), and otherwise the export
tool, writing another id's set into the same two folders. It checks that every file of the
set is wholly the old export or wholly the new one, and that no temporary or journal is left.

Usage: batch_kill_test.py QUILMORANTE QUILMORANTE_EXPORT DATA_DIR
"""

import os
import shutil
import signal
import subprocess
import sys
import tempfile

SKIP = 77


def files_below(folder):
    found = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            with open(path, "rb") as f:
                found[os.path.relpath(path, folder)] = f.read()
    return found


def prepare(folder, editor, data):
    os.makedirs(folder)
    shutil.copy(editor, folder)  # beside its data: the folder is its data folder
    for name in ("siro.bmp", "a.bmp"):
        shutil.copy(os.path.join(data, name), folder)
    shutil.copytree(os.path.join(data, "savedata"), os.path.join(folder, "savedata"))


def outputs(folder):
    return folder + "-out"


# The old export loops 32 frames, numbered; the new one is the default sixteen, lettered: the
# new set removes the old frames, which are moved aside by renames of their own.
OLD_CYCLE = ["--cycle", "0,15,8,forward"]


def export(tool, folder, pattern, kill_at=None, id_letter="A", extra=()):
    command = [tool, "--data", folder, "--pattern", str(pattern), "--id", id_letter, "--all",
               outputs(folder)] + list(extra)
    env = dict(os.environ)
    if kill_at is not None:
        command = ["strace", "-o", "/dev/null", "-e",
                   "inject=rename,renameat,renameat2:signal=SIGKILL:when=%d" % kill_at] + command
        # A sanitizer build's leak check cannot run under strace.
        env["ASAN_OPTIONS"] = env.get("ASAN_OPTIONS", "") + ":detect_leaks=0"
    return subprocess.run(command, capture_output=True, env=env).returncode


def the_set(folder):
    """The files of id A's export: the other id's set, written by a recovery, is left out."""
    found = files_below(os.path.join(folder, "result")), files_below(outputs(folder))
    return tuple({name: data for name, data in part.items() if not name.startswith("B")}
                 for part in found)


def start_editor(folder):
    env = {k: v for k, v in os.environ.items() if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
    subprocess.run([os.path.join(folder, os.path.basename(sys.argv[1]))], env=env,
                   capture_output=True, cwd=tempfile.gettempdir())


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    editor, tool, data = (os.path.abspath(a) for a in sys.argv[1:])
    if shutil.which("strace") is None:
        print("skipped: strace is not installed")
        return SKIP
    work = tempfile.mkdtemp(prefix="quilmorante-kill-")
    failures = 0
    try:
        reference = os.path.join(work, "reference")
        prepare(reference, editor, data)
        if export(tool, reference, 0, extra=OLD_CYCLE) != 0:
            sys.exit("the old export failed")
        old = the_set(reference)
        if export(tool, reference, 1) != 0:
            sys.exit("the new export failed")
        new = the_set(reference)
        kills = 0
        for rename in range(1, 1000):
            folder = os.path.join(work, "kill%d" % rename)
            prepare(folder, editor, data)
            export(tool, folder, 0, extra=OLD_CYCLE)
            code = export(tool, folder, 1, kill_at=rename)
            if code != -signal.SIGKILL:
                if code != 0:
                    print("FAIL the export under strace ended with %d, not killed" % code)
                    failures += 1
                break  # past the last rename: the run went through
            kills += 1
            if rename % 2:
                start_editor(folder)
            elif export(tool, folder, 2, id_letter="B") != 0:
                print("FAIL the recovering export failed after the kill at rename %d" % rename)
                failures += 1
            now = the_set(folder)
            if now not in (old, new):
                mixed = sorted(name for part in (0, 1) for name in now[part]
                               if now[part].get(name) != new[part].get(name))
                print("FAIL killed at rename %d: the set is mixed or holds leftovers: %s"
                      % (rename, mixed[:8]))
                failures += 1
            shutil.rmtree(folder)
            shutil.rmtree(outputs(folder))
        print("killed at each of %d renames; %d mixed sets" % (kills, failures))
        if kills < 40:
            print("FAIL: the batch should have at least 40 renames, it had %d" % kills)
            failures += 1
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
