#!/usr/bin/python3
"""Serves the built page folder over HTTP on 127.0.0.1, with the types the page needs
(WebAssembly is compiled while it downloads only when served as application/wasm).

Usage: serve.py SITE_FOLDER [PORT]   (default 8000)
"""

import functools
import http.server
import sys

TYPES = {".wasm": "application/wasm", ".js": "text/javascript", ".woff2": "font/woff2",
         ".html": "text/html", ".css": "text/css", ".bmp": "image/bmp", ".txt": "text/plain",
         ".gz": "application/gzip"}


class Handler(http.server.SimpleHTTPRequestHandler):
    extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map, **TYPES)

    def end_headers(self):
        # Cross-origin isolation: the page uses nothing from other origins, and isolated
        # pages get fine-grained performance.now() for the frame-time figures.
        self.send_header("Cross-Origin-Opener-Policy", "same-origin")
        self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
        super().end_headers()

    def log_message(self, *args):
        if self.server.verbose:
            super().log_message(*args)


def make_server(site, port=0, verbose=False):
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", port), functools.partial(Handler, directory=site))
    server.verbose = verbose
    return server


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    server = make_server(sys.argv[1], int(sys.argv[2]) if len(sys.argv) == 3 else 8000, True)
    print("QUILMORANTE in the browser: http://127.0.0.1:%d/ (Ctrl+C stops)" % server.server_port,
          flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
