#!/usr/bin/env python3
"""Serves a folder on 127.0.0.1 as a static host would, with the two headers
that make the page cross-origin isolated and the media types the browser
version needs (WebAssembly, WOFF2).

Usage: serve-site.py DIR PORT
"""
import functools
import http.server
import sys


class SiteHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      '.wasm': 'application/wasm', '.woff2': 'font/woff2',
                      '.json': 'application/json', '.svg': 'image/svg+xml',
                      '.js': 'text/javascript'}

    def end_headers(self):
        self.send_header('Cross-Origin-Opener-Policy', 'same-origin')
        self.send_header('Cross-Origin-Embedder-Policy', 'require-corp')
        super().end_headers()


def main(argv):
    if len(argv) != 3:
        sys.exit(__doc__)
    handler = functools.partial(SiteHandler, directory=argv[1])
    with http.server.ThreadingHTTPServer(('127.0.0.1', int(argv[2])), handler) as server:
        try:
            server.serve_forever()
        except KeyboardInterrupt:
            pass


if __name__ == '__main__':
    main(sys.argv)
