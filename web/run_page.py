#!/usr/bin/env python3
"""Runs a page of the browser build in headless Chromium and reports what the
page reports: the browser tests, the benchmark and the demo's scripted walk.

usage: run_page.py PAGE [--root DIR] [--screenshot FILE] [--timeout SECONDS] [--NAME [VALUE]]...

The page's folder (or DIR) is served on 127.0.0.1; other options reach the
page as its query (--frames 240 --walk gives ?frames=240&walk). The page
posts JSON to /report: {"lines": [...]} prints lines; {"png": "data:..."}
writes the screenshot file; {"done": true, "failed": N} ends the run, with
exit status 1 when N > 0. A page that does not finish in time fails.
"""
import argparse
import base64
import functools
import http.server
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import threading
import urllib.parse


class Handler(http.server.SimpleHTTPRequestHandler):
    def end_headers(self):
        # Cross-origin isolation gives the page performance.now() at 5 us
        # instead of 100 us; nothing is cached between runs.
        self.send_header("Cross-Origin-Opener-Policy", "same-origin")
        self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def do_POST(self):
        body = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        self.send_response(204)
        self.end_headers()
        self.server.report(json.loads(body or b"{}"))

    def log_message(self, *args):
        pass


class Server(http.server.ThreadingHTTPServer):
    def __init__(self, root, screenshot):
        super().__init__(("127.0.0.1", 0), functools.partial(Handler, directory=root))
        self.screenshot = screenshot
        self.finished = threading.Event()
        self.failed = None

    def report(self, message):
        for line in message.get("lines", []):
            print(line, flush=True)
        if message.get("png") and self.screenshot:
            os.makedirs(os.path.dirname(os.path.abspath(self.screenshot)), exist_ok=True)
            with open(self.screenshot, "wb") as f:
                f.write(base64.b64decode(message["png"].split(",", 1)[1]))
            print(f"screenshot: {self.screenshot}", flush=True)
        if message.get("done"):
            self.failed = int(message.get("failed", 0))
            self.finished.set()


def main():
    parser = argparse.ArgumentParser(usage=__doc__.split("\n\n")[1])
    parser.add_argument("page")
    parser.add_argument("--root")
    parser.add_argument("--screenshot")
    parser.add_argument("--timeout", type=float, default=120)
    args, rest = parser.parse_known_args()
    query = []
    while rest:
        word = rest.pop(0)
        if not word.startswith("--"):
            parser.error(f"unexpected argument {word}")
        value = rest.pop(0) if rest and not rest[0].startswith("--") else None
        query.append(word[2:] if value is None else f"{word[2:]}={urllib.parse.quote(value)}")
    if args.screenshot:
        query.append("screenshot")

    root = os.path.abspath(args.root or os.path.dirname(args.page))
    page = os.path.relpath(os.path.abspath(args.page), root)
    server = Server(root, args.screenshot)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    url = f"http://127.0.0.1:{server.server_address[1]}/{page}" + ("?" + "&".join(query) if query else "")
    profile = tempfile.mkdtemp(prefix="velmora-chromium-")
    chromium = subprocess.Popen(
        ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-background-networking",
         "--disable-component-update", "--disable-sync", "--no-first-run", "--disable-extensions",
         "--window-size=800,600", f"--user-data-dir={profile}", url],
        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
    try:
        if not server.finished.wait(args.timeout):
            print(f"{page}: no result within {args.timeout:.0f} s", flush=True)
            return 1
        return 1 if server.failed else 0
    finally:
        # Chromium's helper processes are in the session it leads.
        try:
            os.killpg(chromium.pid, signal.SIGTERM)
            chromium.wait(10)
        except (ProcessLookupError, subprocess.TimeoutExpired):
            os.killpg(chromium.pid, signal.SIGKILL)
        server.shutdown()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
