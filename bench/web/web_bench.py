#!/usr/bin/python3
"""The web build's load time, time to its first frame and frames per second at 1024 x 768,
in headless Chromium (SwiftShader) with its sound, driven by the web tests' driver.
   web_bench.py WEB_BUILD [seconds]"""
import os, sys, time
sys.path.insert(0, os.path.join(os.path.dirname(__file__), '../../tests/web'))
from web_show import Page


def main(build, seconds):
    page = Page(build, '')
    try:
        navigated = time.monotonic()  # the page was asked for as the driver connected
        page.ready()
        ready = time.monotonic()
        page.click('#play')
        page.until(lambda: page.js('testPasses.length') > 0, 'the first frame')
        first = time.monotonic()
        count, at = page.js('[testPasses.length, testClock.real()]')
        page.js('new Promise(r => setTimeout(r, %d))' % (seconds * 1000))
        later, end = page.js('[testPasses.length, testClock.real()]')
        print('web page at 1024 x 768 (headless Chromium, SwiftShader):')
        print('  page asked for to ready to play: %.0f ms, Play to first frame: %.0f ms'
              % ((ready - navigated) * 1000, (first - ready) * 1000))
        print('  frames per second: %.1f' % ((later - count) * 1000 / (end - at)))
    finally:
        page.close()


if __name__ == '__main__':
    main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 8)
