#!/usr/bin/python3
"""The web build in Debian's headless Chromium, driven over DevTools as a viewer drives it: real
mouse and key events, screenshots. Private profile, private server on a free port, both stopped.
   web_show.py page|phone|frames|sync WEB_BUILD
A script the test adds to the page replaces performance.now() to hold or move the clock and
can hold the loop between frames. frames needs SCENE_FRAMES and DISPLAY; sync needs
SOUND_SERVER, RECORD_MONITOR, SYNC_OFFSETS and MUSIC."""
import base64, functools, http.server, json, os, re, shutil, subprocess, sys, tempfile
import threading, time, urllib.request
import websocket

HANG_S = 120  # only a hang reaches these bounds
kBpm = 180
RECORDED_PAST_PROBES_MS = 1500  # the measure's search and window after a probe
# The page's music is heard 10 to 20 ms before its aim here, idle, busy or on one core: the
# run's median and each probe are held to 30 ms (a decoder delay is 47).
LIMIT_MS = 30
PROBE = re.compile(r'^\|\| timing_beats > (\d+\.\d{6}) && timing_beats <= (\d+\.\d{6})$')
HOOKS = """(() => {
  const realNow = performance.now.bind(performance), realFrame = requestAnimationFrame.bind(window);
  let held = null, ahead = 0, paused = false, waiting = [];
  performance.now = () => held !== null ? held : realNow() + ahead;
  // Time moved ahead moves the audio output's clock with it, as time passing would.
  if (window.BaseAudioContext) {
    const stamp = AudioContext.prototype.getOutputTimestamp;
    AudioContext.prototype.getOutputTimestamp = function () {
      const real = stamp.call(this);
      return {contextTime: real.contextTime + ahead / 1000, performanceTime: real.performanceTime + ahead};
    };
    const current = Object.getOwnPropertyDescriptor(BaseAudioContext.prototype, 'currentTime').get;
    Object.defineProperty(BaseAudioContext.prototype, 'currentTime',
                          {get() { return current.call(this) + ahead / 1000; }});
  }
  window.requestAnimationFrame = callback => paused ? waiting.push(callback)
    : realFrame(time => { testPasses.push(realNow()); callback(time); });
  Object.assign(window, {testFailed: false, testPasses: [], testProbeReads: [], testTouchEnds: 0});
  addEventListener('touchend', () => { testTouchEnds++; }, true);
  // A page that fails ends every wait: the test reads why from its errors.
  ['error', 'unhandledrejection'].forEach(kind => addEventListener(kind, () => { testFailed = true; }));
  // A probe line's second number was read, and drawn with the lead still held, by the pass before.
  const log = console.log.bind(console);
  console.log = (...args) => {
    if (/^\\|\\| timing_beats/.test(args[0])) testProbeReads.push(
      [testPasses[testPasses.length - 2], Module.HEAP32[Module._timing_lead_ms >> 2]]);
    log(...args);
  };
  // Every text the start page's status line shows, one for each task that changes it.
  window.testStatus = [];
  addEventListener('DOMContentLoaded', () => { const status = document.getElementById('status');
    new MutationObserver(() => testStatus.push(status.textContent)).observe(status,
      {childList: true, characterData: true, subtree: true}); });
  window.testClock = {hold: ms => { held = ms; }, ahead: ms => { ahead = ms; }, real: realNow,
    pause: () => { paused = true; },
    go: () => { paused = false; const run = waiting; waiting = []; run.forEach(requestAnimationFrame); },
    // One pass of the held loop, then two frames of the browser's: the drawing is shown.
    step: () => new Promise(done => realFrame(time => {
      const run = waiting; waiting = []; run.forEach(callback => callback(time));
      (function settled() { waiting.length || testFailed
        ? realFrame(() => realFrame(done)) : setTimeout(settled, 1); })();
    }))};
  %s
})();"""
NO_SOUND = "window.AudioContext = undefined; window.webkitAudioContext = undefined;"
# A browser with only the prefixed full-screen call, as older Safari on a tablet.
PREFIXED_FULLSCREEN = """window.testFullscreenCalls = 0;
  Element.prototype.requestFullscreen = undefined;
  Element.prototype.webkitRequestFullscreen = function () { testFullscreenCalls++; };"""
FROZEN_S = 3.0
TAP_S = 0.05  # a finger's time on the screen in a tap, and a third of a double tap's


class Server(http.server.SimpleHTTPRequestHandler):
    """Static files, a file's .gz instead to a browser that takes gzip (as nginx's gzip_static)."""
    log_message = lambda *args: None

    def send_head(self):
        path = self.translate_path(self.path)
        if 'gzip' not in self.headers.get('Accept-Encoding', '') or not os.path.isfile(path + '.gz'):
            return super().send_head()
        self.send_response(200)
        self.send_header('Content-Type', self.guess_type(path))
        self.send_header('Content-Encoding', 'gzip')
        self.end_headers()
        return open(path + '.gz', 'rb')


def expect(condition, message):
    if not condition:
        sys.exit('FAIL: ' + message)  # said on standard error, status 1


class Page:
    """Chromium with one page, its console and errors collected as they come."""

    def __init__(self, build, hooks, touch=False):
        self.work, self.next_id, self.console, self.errors = tempfile.mkdtemp(), 0, [], []
        self.server = http.server.ThreadingHTTPServer(
            ('127.0.0.1', 0), functools.partial(Server, directory=build))
        threading.Thread(target=self.server.serve_forever, daemon=True).start()
        profile = os.path.join(self.work, 'profile')
        self.browser = subprocess.Popen(
            ['chromium', '--headless=new', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
             '--remote-debugging-port=0', '--user-data-dir=' + profile, '--no-first-run',
             '--no-sandbox', '--disable-background-networking', '--disable-component-update',
             '--disable-sync', '--window-size=1024,768', 'about:blank'],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        try:
            port_file = os.path.join(profile, 'DevToolsActivePort')
            self.until(lambda: os.path.exists(port_file) and '\n' in open(port_file).read(),
                       'a DevTools port', poll=lambda: time.sleep(0.05))
            url = 'http://127.0.0.1:%s/json/list' % open(port_file).read().split()[0]
            page = next(t for t in json.load(urllib.request.urlopen(url)) if t['type'] == 'page')
            self.socket = websocket.create_connection(page['webSocketDebuggerUrl'], timeout=HANG_S)
            for domain in ('Page', 'Runtime', 'Log'):
                self.call(domain + '.enable')
            self.call('Emulation.setDeviceMetricsOverride', width=1024, height=768,
                      deviceScaleFactor=1, mobile=False)
            if touch:
                self.call('Emulation.setTouchEmulationEnabled', enabled=True, maxTouchPoints=5)
            self.call('Page.addScriptToEvaluateOnNewDocument', source=HOOKS % hooks)
            self.call('Page.navigate', url='http://127.0.0.1:%d/' % self.server.server_port)
        except BaseException:
            self.close()
            raise

    def close(self):
        self.browser.kill()
        self.browser.wait()
        self.server.shutdown()
        shutil.rmtree(self.work, ignore_errors=True)

    def call(self, method, **params):
        self.next_id += 1
        self.socket.send(json.dumps({'id': self.next_id, 'method': method, 'params': params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get('id') == self.next_id:
                expect('error' not in message, '%s: %s' % (method, message.get('error')))
                return message['result']
            kind, params = message.get('method'), message.get('params', {})
            if kind == 'Runtime.consoleAPICalled':
                text = ' '.join(str(a.get('value', a.get('description'))) for a in params['args'])
                self.console.append(text)
                self.errors += ['console: ' + text] if params['type'] == 'error' else []
            elif kind == 'Runtime.exceptionThrown':
                self.errors.append('exception: ' + json.dumps(params['exceptionDetails'])[:400])
            elif kind == 'Log.entryAdded' and params['entry']['level'] == 'error':
                self.errors.append('log: ' + params['entry']['text'])

    def js(self, expression):
        result = self.call('Runtime.evaluate', expression=expression, awaitPromise=True,
                           returnByValue=True)
        expect('exceptionDetails' not in result, '%s: %s' % (expression, result.get('exceptionDetails')))
        return result['result'].get('value')

    def check(self, logged_too=False):
        expect(not [e for e in self.errors if logged_too or not e.startswith('log: ')],
               'errors on the page:\n  ' + '\n  '.join(self.errors))

    def until(self, ready, what, poll=None):
        deadline = time.monotonic() + HANG_S
        while not ready():
            self.check()
            expect(time.monotonic() < deadline, 'no sign of %s within %d s' % (what, HANG_S))
            (poll or (lambda: self.js('new Promise(r => setTimeout(r, 20))')))()

    def ready(self):
        self.until(lambda: self.js("(b => !!b && !b.disabled)(document.getElementById('play'))"),
                   'the page being ready')

    def click(self, selector, button='left'):
        """Where a viewer would click, scrolled into view first (a phone on its side shows the
        buttons only below the fold)."""
        x, y = self.js("(e => (e.scrollIntoView({block: 'center'}), (r => [r.x + r.width / 2, "
                       "r.y + r.height / 2])(e.getBoundingClientRect())))("
                       "document.querySelector('%s'))" % selector)
        for kind in ('mousePressed', 'mouseReleased'):
            self.call('Input.dispatchMouseEvent', type=kind, x=x, y=y, button=button, clickCount=1)

    def settle(self):
        """Two passes of the show's loop, or the show over: what came in has been handled."""
        self.js("(n => new Promise(r => (function w() { testPasses.length >= n + 2 || "
                "testFailed || !document.body.classList.contains('playing') ? r() : "
                "setTimeout(w, 1); })()))(testPasses.length)")

    def key(self, key, code, handled=True):
        for kind in ('keyDown', 'keyUp'):
            self.call('Input.dispatchKeyEvent', type=kind, key=key, code=code,
                      windowsVirtualKeyCode=ord(key.upper()) if len(key) == 1 else 27)
            if handled:
                self.settle()
            self.check()

    def tap(self, fingers=1, at=None):
        """A tap on the show with that many fingers at once, made at `at` (seconds since the
        epoch) as the browser is told: the page times gestures by the events' own stamps, so
        a double tap is one however long the browser takes to pass the events on."""
        at = time.time() if at is None else at
        points = [{'x': 100 + 80 * finger, 'y': 300} for finger in range(fingers)]
        ended = self.js('testTouchEnds')
        self.call('Input.dispatchTouchEvent', type='touchStart', touchPoints=points, timestamp=at)
        self.call('Input.dispatchTouchEvent', type='touchEnd', touchPoints=[],
                  timestamp=at + TAP_S)
        self.until(lambda: self.js('testTouchEnds') > ended, 'the page seeing a touch end')
        self.settle()

    def playing(self):
        return self.js("document.body.classList.contains('playing')")

    def play(self, selector='#play'):
        self.click(selector)
        self.until(self.playing, 'the show starting')

    def ends(self, what):
        self.until(lambda: not self.playing(), what)

    def probe(self):
        """Presses and releases t; the probe line's two beat counts."""
        count = len(self.console)
        self.key('t', 'KeyT')
        self.until(lambda: [l for l in self.console[count:] if PROBE.match(l)], 'a probe line')
        return [float(b) for b in PROBE.match(
            next(l for l in self.console[count:] if PROBE.match(l))).groups()]

    def frame(self):
        """The page as shown, RGB, rows top first."""
        png = base64.b64decode(self.call('Page.captureScreenshot', format='png')['data'])
        return subprocess.run(['convert', 'png:-', 'ppm:-'], input=png, capture_output=True,
                              check=True).stdout


def pixels(ppm):
    fields = ppm.split(maxsplit=4)
    return (int(fields[1]), int(fields[2])), fields[4]


def page_case(build):
    """Loads without an error, saying how much is downloaded and how far the pictures are
    prepared, the page given back between pictures; Play starts the show; t, s, Escape, a right
    click, play again, the end at 180 s and leaving full screen, as a viewer meets them."""
    page = Page(build, '')
    try:
        page.ready()
        shown = page.js('testStatus')
        preparing = set(text for text in shown if text.startswith('Preparing the pictures'))
        expect(any(re.fullmatch(r'Loading the music and the pictures\u2026 [0-9.]+( of [0-9.]+)? MB',
                                text) for text in shown) and len(preparing) >= 3,
               'no download counted, or the pictures prepared in fewer than three tasks: %s' % shown)
        expect(page.js("document.title == 'Corvanel' && document.images[0].naturalWidth > 0"),
               'no title or no emblem on the start page')
        script = page.js("(e => [e.encodedBodySize, e.decodedBodySize])(performance"
                         ".getEntriesByType('resource').find(e => e.name.endsWith('/corvanel.js')))")
        expect(script[0] < 0.3 * script[1], 'the script came as %d bytes of %d' % tuple(script))
        expect(page.js("document.getElementById('touch').hidden"),
               'touch gestures named on a page with no touch screen')
        page.play()
        started = time.monotonic()
        first = page.probe()
        line = next(line for line in page.console if PROBE.match(line))
        expect(page.js('document.getElementById("probes").textContent').strip() == line,
               'the probe line is not on the page as on the console')
        page.key('s', 'KeyS')
        skipped = page.probe()
        # Seen as heard, the music restarted 0.3 s ahead: two beats of the thirty may pass unseen.
        expect(first[1] + 28 <= skipped[0] <= first[0] + 30 + (time.monotonic() - started) * 3,
               's moved the clock from beat %.3f to %.3f' % (first[1], skipped[0]))
        # A page the browser froze, its music stopped with it, for FROZEN_S: the picture comes
        # back where the music is, not as far ahead as the page was away.
        held = page.probe()[1]
        page.js('Module.corvanelAudio.context.suspend().then(testClock.pause)')
        time.sleep(FROZEN_S)  # the freeze itself, not a wait for anything
        # The page runs again before its music does, then the music, heard again.
        page.js('testClock.go()')
        page.settle()
        back = [page.probe()[0]]
        page.js('Module.corvanelAudio.context.resume()')
        page.until(lambda: page.js('Module.corvanelAudio.fresh'), 'the music heard again')
        page.settle()
        back.append(page.probe()[0])
        expect(back[0] <= held + FROZEN_S * kBpm / 60 / 3 and
               back[1] <= back[0] + FROZEN_S * kBpm / 60 / 3,
               'after %.0f s frozen, the picture came back at beats %.3f, then %.3f, from %.3f'
               % (FROZEN_S, *back, held))
        page.key('Escape', 'Escape')
        page.ends('Escape ending the show')
        expect(page.js("document.getElementById('play').textContent") == 'Play again',
               'no "Play again" after the show')
        page.play()
        page.click('#canvas', 'right')
        page.ends('a right click ending the show')
        page.play()
        page.js('testClock.ahead(179000)')
        near_end = page.probe()[1]
        expect(near_end >= 536 and page.playing(), 'ended before 180 s, at beat %.3f' % near_end)
        page.js('testClock.ahead(181000)')
        page.ends('the end at 180 s')
        page.play('#play-fullscreen')
        page.until(lambda: page.js('document.fullscreenElement !== null'), 'full screen')
        page.js('document.exitFullscreen()')
        page.ends('leaving full screen ending the show')
        page.check(logged_too=True)
        print('ok: the page, Play, t, s, Escape, right click, play again, the end, full screen')
    finally:
        page.close()


def phone_case(build):
    """A phone at three device pixels a point, upright and on its side: the show draws no more
    pixels than 1920 x 1080, in the view's shape, and the browser scales them up; Play full
    screen in a browser with only the prefixed call makes that call. Its touch screen: the page
    names the gestures, a double tap jumps ten seconds ahead, a two-finger tap ends the show."""
    page = Page(build, NO_SOUND + PREFIXED_FULLSCREEN, touch=True)
    try:
        for width, height in ((390, 844), (844, 390)):
            page.call('Emulation.setDeviceMetricsOverride', width=width, height=height,
                      deviceScaleFactor=3, mobile=True)
            page.ready()
            page.play('#play-fullscreen')
            size = "(c => [c.width, c.height])(document.getElementById('canvas'))"
            page.until(lambda: page.js(size)[0] > width, 'the canvas drawn at more than a point')
            drawn = page.js(size)
            expect(0.99 * 1920 * 1080 <= drawn[0] * drawn[1] <= 1920 * 1080 and
                   abs(drawn[0] / drawn[1] - width / height) < 0.005 * width / height,
                   '%d x %d points drawn at %d x %d pixels' % (width, height, *drawn))
            if width > height:
                page.key('Escape', 'Escape')
                page.ends('Escape ending the show on a phone')
                continue
            expect(not page.js("document.getElementById('touch').hidden"),
                   'the touch gestures not named on a phone')
            before = page.probe()
            now = time.time()
            page.tap(at=now)
            page.tap(at=now + 3 * TAP_S)
            after = page.probe()
            expect(after[0] >= before[1] + 28,
                   'a double tap moved the clock from beat %.3f to %.3f' % (before[1], after[0]))
            page.tap(2)
            page.ends('a two-finger tap ending the show')
        expect(page.js('testFullscreenCalls') == 2, 'the prefixed full-screen call was not made')
        page.check(logged_too=True)
        print('ok: a phone upright and on its side, at most 1920 x 1080 drawn; prefixed full screen; '
              'double tap skips, two-finger tap ends')
    finally:
        page.close()


def frames_case(build):
    """Held moments against the Linux build's render_frame() of the same moments and size."""
    # Least share within 2 levels, most share off by more than 8. At 42.7 s the tunnel stands a
    # tenth of a tile off a whole beat, and its far, minified tiles pick other texels on
    # SwiftShader than on llvmpipe (measured 90.7 % and 2.6 %); the logos there match.
    bounds = {5000: (0.94, 0.01), 42700: (0.88, 0.04), 50000: (0.94, 0.01), 100000: (0.94, 0.01)}
    page, shown = Page(build, NO_SOUND), {}
    try:
        page.ready()
        start = page.js('testClock.real()')
        page.js('testClock.hold(%r)' % start)
        page.play()
        page.js('testClock.pause()')
        page.js('testClock.step()')
        for moment in sorted(bounds):
            page.js('testClock.hold(%r)' % (start + moment))
            page.js('testClock.step()')  # one pass: the frame drawn at the clock it read
            page.check(logged_too=True)
            frame = pixels(page.frame())
            # t pressed and released, then the next pass handles it first: its probe line gives
            # the beat count the frame was drawn at.
            count = len(page.console)
            page.key('t', 'KeyT', handled=False)
            page.js('testClock.step()')
            probe = [PROBE.match(line) for line in page.console[count:] if PROBE.match(line)]
            expect(probe, 'no probe line from the pass at %d ms' % moment)
            drawn = round(float(probe[0].group(2)) * 60000 / kBpm)
            # SDL's ticks truncate the seconds' and the nanoseconds' differences apart: held
            # times whole milliseconds apart can differ by one tick more or less.
            expect(abs(drawn - moment) <= 1, 'the frame held at %d ms drawn at %d ms'
                   % (moment, drawn))
            shown[moment] = (drawn, frame)
    finally:
        page.close()
    linux, failures = tempfile.mkdtemp(), []
    try:
        subprocess.run([os.environ['SCENE_FRAMES'], linux] + [str(d) for d, _ in shown.values()],
                       check=True)
        for moment, (drawn, (size, web)) in sorted(shown.items()):
            native = pixels(open('%s/frame_%d.ppm' % (linux, drawn), 'rb').read())[1]
            expect(size == (1024, 768) and len(web) == len(native), 'the page shows %s' % (size,))
            near = sum(1 for a, b in zip(web, native) if abs(a - b) <= 2) / len(web)
            far = sum(1 for a, b in zip(web, native) if abs(a - b) > 8) / len(web)
            print('%6d ms (drawn at %d): %.2f %% within 2 levels, %.2f %% off by more than 8'
                  % (moment, drawn, 100 * near, 100 * far))
            failures += [moment] if near < bounds[moment][0] or far > bounds[moment][1] else []
    finally:
        shutil.rmtree(linux, ignore_errors=True)
    expect(not failures, 'frames unlike the Linux build at %s ms' % failures)
    print('ok: held frames match the Linux build')


def sync_case(build):
    """The page on a private sound server: the music heard for each probed moment against the
    pass's aim (clock read plus lead), at the start and after a skip (tests/sync's measure)."""
    work = tempfile.mkdtemp()
    server = [os.environ['SOUND_SERVER'], 'start', work + '/sound', 'pulseaudio']
    subprocess.run(server, check=True)
    recorder = page = None
    try:
        for line in open(work + '/sound/env').read().split('\n')[:-1]:
            name, value = line.split(' ', 1)[1].split('=', 1)
            os.environ[name] = value
        page = Page(build, '')
        page.ready()
        # performance.now() to CLOCK_MONOTONIC, from the quickest of a few round trips.
        trips = []
        for _ in range(20):
            before = time.clock_gettime(time.CLOCK_MONOTONIC) * 1000
            now = page.js('testClock.real()')
            returned = time.clock_gettime(time.CLOCK_MONOTONIC) * 1000
            trips.append((returned - before, (before + returned) / 2 - now))
        offset = min(trips)[1]

        def recorded_past(probe):
            """The recording holds all that the measure searches past the probe."""
            reads = open(work + '/heard.stamps').read().split('\n')[-2:-1]
            return reads and int(reads[0].split()[0]) / 1e6 >= (
                probe[0] + offset + RECORDED_PAST_PROBES_MS)

        recorder = subprocess.Popen([os.environ['RECORD_MONITOR'], work + '/heard'])
        page.until(lambda: os.path.exists(work + '/heard.ready'), 'the recording starting')
        page.play()
        probes, after = [], 8.0  # on one core the page starts with a lead of 80 ms, stepping down
        for skip in (False, True):
            if skip:
                # The skip's silence kept out of the last probe's stretch of the recording.
                page.until(lambda: recorded_past(probes[-1]), 'the recording passing a probe')
                # Skips to music later than the page is old (the track began before it); a probe
                # read while the picture holds for its music is early by design, a second on none.
                while after * 60000 / kBpm < page.js('testClock.real()') + 5000:
                    page.key('s', 'KeyS')
                    after = page.probe()[1] + kBpm / 60
            while len(probes) < (6 if skip else 3):
                beats = page.probe()[1]
                if beats > after:
                    probes.append((*page.js('testProbeReads[testProbeReads.length - 1]'), beats))
        page.until(lambda: recorded_past(probes[-1]), 'the recording passing the last probe')
        page.key('Escape', 'Escape')
        print('browser: outputLatency %s ms, baseLatency %s ms' % tuple(page.js(
            '(c => [c.outputLatency * 1000, c.baseLatency * 1000])(Module.corvanelAudio.context)')))
        recorder.terminate()
        expect(recorder.wait() == 0, 'the recording failed')
        with open(work + '/probes', 'w') as out:  # the browser tells no swap: the aim stands in
            out.writelines('%d %d %.6f %d\n' % ((r + offset) * 1e6, (r + lead + offset) * 1e6, b,
                                                  lead) for r, lead, b in probes)
        result = subprocess.run([os.environ['SYNC_OFFSETS'], os.environ['MUSIC'], work + '/heard',
                                 work + '/probes', str(LIMIT_MS), str(LIMIT_MS)],
                                capture_output=True, text=True)
        print(result.stdout, end='')
        expect(result.returncode == 0, 'picture and music apart by more than %s ms' % LIMIT_MS)
    finally:
        if recorder and recorder.poll() is None:
            recorder.kill()
        if page:
            page.close()
        subprocess.run(server[:1] + ['stop', work + '/sound'])
        shutil.rmtree(work, ignore_errors=True)
    print('ok: picture and music together in the browser')


if __name__ == '__main__':
    case, build = sys.argv[1], sys.argv[2]
    {'page': lambda: page_case(build), 'phone': lambda: phone_case(build),
     'frames': lambda: frames_case(build),
     'sync': lambda: sync_case(build)}[case]()
