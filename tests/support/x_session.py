"""What the program tests under Xvfb share: a skip when the X tools are missing, an Xvfb of
their own, the program's output read while it runs, just enough Xlib to read screen pixels and
close a window as a window manager does, and a pass/fail tally."""

import ctypes
import os
import shutil
import subprocess
import sys
import threading
import time

# CTest counts this exit status as a skipped test (the SKIP_RETURN_CODE property).
SKIP = 77


def require_tools(tools=("Xvfb", "xdotool", "xwininfo")):
    """Ends the test as skipped, saying why, when a tool it drives is not on PATH."""
    missing = [tool for tool in tools if shutil.which(tool) is None]
    if missing:
        print("skipped: %s not found on PATH (Debian packages xvfb, xdotool, x11-utils)"
              % ", ".join(missing), flush=True)
        sys.exit(SKIP)


class Program:
    """A started program whose stdout and stderr are read as they come, one thread each, so
    a long report can not fill a pipe and stall the program while the test waits on it."""

    def __init__(self, args, **popen_args):
        self.process = subprocess.Popen(args, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                                        **popen_args)
        self._chunks = {"stdout": [], "stderr": []}
        self._readers = [threading.Thread(target=self._drain, args=(pipe, self._chunks[name]),
                                          daemon=True)
                         for name, pipe in (("stdout", self.process.stdout),
                                            ("stderr", self.process.stderr))]
        for reader in self._readers:
            reader.start()

    @staticmethod
    def _drain(pipe, chunks):
        with pipe:
            for chunk in iter(lambda: pipe.read1(65536), b""):
                chunks.append(chunk)

    def finish(self):
        """Kills the program if it still runs, waits for it, and returns (stdout, stderr)."""
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()
        for reader in self._readers:
            reader.join(timeout=10)  # a child the program left behind may hold the pipes
        return tuple(b"".join(self._chunks[name]).decode(errors="replace")
                     for name in ("stdout", "stderr"))

    def report(self):
        """finish(), then shows what the program wrote, each line marked with its stream."""
        for name, text in zip(("stdout", "stderr"), self.finish()):
            if text.strip():
                print("     %s: " % name + text.strip().replace("\n", "\n     %s: " % name))

class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong),
                ("send_event", ctypes.c_int), ("display", ctypes.c_void_p),
                ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


class XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int),
                ("xoffset", ctypes.c_int), ("format", ctypes.c_int),
                ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


class Xlib:
    def __init__(self, display_name):
        self.x = ctypes.cdll.LoadLibrary("libX11.so.6")
        self.x.XOpenDisplay.restype = ctypes.c_void_p
        self.x.XOpenDisplay.argtypes = [ctypes.c_char_p]
        self.x.XInternAtom.restype = ctypes.c_ulong
        self.x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
        self.x.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                      ctypes.c_long, ctypes.POINTER(XEvent)]
        self.x.XFlush.argtypes = [ctypes.c_void_p]
        self.x.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
        self.x.XGetImage.restype = ctypes.POINTER(XImage)
        self.x.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                     ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                                     ctypes.c_ulong, ctypes.c_int]
        self.x.XDefaultRootWindow.restype = ctypes.c_ulong
        self.x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        self.x.XCloseDisplay.argtypes = [ctypes.c_void_p]
        self.display = self.x.XOpenDisplay(display_name.encode())
        if not self.display:
            raise RuntimeError("cannot open X display " + display_name)

    def close(self):
        self.x.XCloseDisplay(self.display)

    def root(self):
        return self.x.XDefaultRootWindow(self.display)

    def pixels(self, window, x, y, w, h):
        """The 0xRRGGBB values of a w x h area, row by row."""
        self.x.XSync(self.display, 0)
        image = self.x.XGetImage(self.display, window, x, y, w, h, 0xFFFFFFFF, 2)  # ZPixmap
        if not image:
            raise RuntimeError("XGetImage failed")
        im = image.contents
        if im.bits_per_pixel != 32:
            raise RuntimeError("unexpected %d bits per pixel" % im.bits_per_pixel)
        raw = ctypes.string_at(im.data, im.bytes_per_line * im.height)
        values = []
        for row in range(im.height):
            line = raw[row * im.bytes_per_line: row * im.bytes_per_line + 4 * im.width]
            values.extend(int.from_bytes(line[i:i + 4], "little") & 0xFFFFFF
                          for i in range(0, len(line), 4))
        return values

    def close_window(self, window):
        """What a window manager does on the close button: WM_PROTOCOLS/WM_DELETE_WINDOW."""
        event = XEvent()
        event.xclient.type = 33  # ClientMessage
        event.xclient.window = window
        event.xclient.message_type = self.x.XInternAtom(self.display, b"WM_PROTOCOLS", 0)
        event.xclient.format = 32
        event.xclient.data[0] = self.x.XInternAtom(self.display, b"WM_DELETE_WINDOW", 0)
        event.xclient.data[1] = 0  # CurrentTime
        self.x.XSendEvent(self.display, window, 0, 0, ctypes.byref(event))
        self.x.XFlush(self.display)


passes, failures = [], []


def wait_files(folder, names, size, seconds):
    """Waits up to seconds for every named file in folder to exist with the given size."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if all(os.path.isfile(os.path.join(folder, n)) and
               os.path.getsize(os.path.join(folder, n)) == size for n in names):
            return True
        time.sleep(0.1)
    return False


def check(condition, what):
    print(("ok   " if condition else "FAIL ") + what, flush=True)
    (passes if condition else failures).append(what)
    return condition


def start_xvfb(width, height, extra=()):
    """An Xvfb of its own on a free display number; returns the process and the display.

    -noreset: by default the server resets when its last client leaves, and a client that
    connects during the reset is refused. The tests' short-lived xdotool and xwininfo calls
    are often that last client, and SDL opens and closes a connection before it opens the one
    it keeps, so under load the program found no display about once in fifty starts."""
    read_fd, write_fd = os.pipe()
    xvfb = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_fd), "-screen", "0", "%dx%dx24" % (width, height),
         "-nolisten", "tcp", "-noreset"] + list(extra),
        pass_fds=(write_fd,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_fd)
    number = b""
    with os.fdopen(read_fd, "rb") as pipe:
        while not number.endswith(b"\n"):
            chunk = pipe.read(1)
            if not chunk:
                break
            number += chunk
    if not number.strip():
        xvfb.kill()
        raise RuntimeError("Xvfb did not report a display number")
    return xvfb, ":" + number.decode().strip()


def stop_xvfb(xvfb, xlib=None):
    """Closes the Xlib connection, if any, then ends the Xvfb process."""
    if xlib is not None:
        xlib.close()
    xvfb.terminate()
    try:
        xvfb.wait(timeout=10)
    except subprocess.TimeoutExpired:
        xvfb.kill()
        xvfb.wait()


def wait_until(condition, seconds):
    """Polls condition until it holds or seconds pass; returns whether it held."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return True
        time.sleep(0.1)
    return bool(condition())


class EditorWindow:
    """The editor's window on a display, found by its title, and keys typed into it. A press
    and its release each stay down a little over a frame, so no frame misses them."""

    def __init__(self, display, seconds):
        self.display = display
        self.id = None
        found = []
        if wait_until(lambda: found.extend(self._search()) or found, seconds):
            self.id = found[0]
        if self.id is not None:
            time.sleep(1)  # the first frames: the editor reads its keys from then on

    def _search(self):
        out = self.xdotool("search", "--onlyvisible", "--name", "^QUILMORANTE$").stdout
        return [int(w) for w in out.split()]

    def xdotool(self, *args):
        return subprocess.run(["xdotool"] + [str(a) for a in args],
                              env=dict(os.environ, DISPLAY=self.display), capture_output=True,
                              text=True)

    def key(self, *names):
        self.xdotool("keydown", "--window", self.id, *names)
        time.sleep(0.15)
        self.xdotool("keyup", "--window", self.id, *reversed(names))
        time.sleep(0.15)


def end_session(program, xvfb, xlib, work):
    """After a test's session: what the program wrote (when it ran), the X server ended, the
    work folder removed. Returns the test's exit status."""
    if program is not None:
        program.report()
    stop_xvfb(xvfb, xlib)
    shutil.rmtree(work, ignore_errors=True)
    return 1 if failures else 0
