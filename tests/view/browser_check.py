#!/usr/bin/env python3
"""Opens an hxview page in headless Chromium through its remote debugging protocol (over a
pipe: no port is opened) and reports, one per line, what the viewer's test checks:

  error <text>          every script error, console error and policy violation
  rows <cells>          the first column of TABLE (the h3 heading naming it) before any click
  sorted <cells>        the same column after a real click on heading COLUMN
  reversed <cells>      after a second click
  visible <n>           rows of TABLE still shown after typing FILTER into the filter box
  injected <type>       typeof window.injected (a page that ran injected markup sets it)
  literal <n>           cells whose text holds the literal "<script>"

  shown <n>             rows of TABLE made into elements at first (a large table: one page of them)

usage: browser_check.py CHROMIUM PAGE TABLE COLUMN FILTER
       browser_check.py --load CHROMIUM PAGE TIMES
         prints "load <ms>": the median time from navigating to PAGE to its script being done
"""
import json
import os
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

DEADLINE = 60  # seconds for the whole check; the browser is killed after it


class Browser:
    def __init__(self, chromium, profile):
        to_browser_r, self.to_browser = os.pipe()
        self.from_browser, from_browser_w = os.pipe()
        # The protocol pipe is descriptors 3 (commands in) and 4 (answers out) of the browser.
        os.dup2(to_browser_r, 13)
        os.dup2(from_browser_w, 14)
        args = [chromium, '--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
                '--disable-background-networking', '--disable-component-update', '--disable-sync',
                '--user-data-dir=' + profile, '--remote-debugging-pipe', 'about:blank']
        self.proc = subprocess.Popen(
            args, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            pass_fds=(3, 4), preexec_fn=lambda: (os.dup2(13, 3), os.dup2(14, 4)), start_new_session=True)
        for fd in (13, 14, to_browser_r, from_browser_w):
            os.close(fd)
        self.next_id = 0
        self.buffer = b''
        self.events = []
        self.session = None

    def send(self, method, params=None, session=True):
        self.next_id += 1
        message = {'id': self.next_id, 'method': method, 'params': params or {}}
        if session and self.session:
            message['sessionId'] = self.session
        os.write(self.to_browser, json.dumps(message).encode() + b'\0')
        while True:
            reply = self.receive()
            if reply.get('id') == self.next_id:
                if 'error' in reply:
                    raise RuntimeError(method + ': ' + json.dumps(reply['error']))
                return reply.get('result', {})
            self.events.append(reply)

    def receive(self):
        while b'\0' not in self.buffer:
            ready, _, _ = select.select([self.from_browser], [], [], max(0.1, end - time.time()))
            if not ready:
                raise TimeoutError('no answer from the browser')
            data = os.read(self.from_browser, 65536)
            if not data:
                raise EOFError('the browser closed the pipe')
            self.buffer += data
        message, self.buffer = self.buffer.split(b'\0', 1)
        return json.loads(message)

    def wait_for(self, method):
        for i, event in enumerate(self.events):
            if event.get('method') == method:
                return self.events.pop(i)
        while True:
            event = self.receive()
            if event.get('method') == method:
                return event
            self.events.append(event)

    def evaluate(self, expression):
        result = self.send('Runtime.evaluate', {'expression': expression, 'returnByValue': True})
        if 'exceptionDetails' in result:
            raise RuntimeError('evaluation failed: ' + json.dumps(result['exceptionDetails']))
        return result['result'].get('value')

    def click(self, x, y):
        for kind in ('mousePressed', 'mouseReleased'):
            self.send('Input.dispatchMouseEvent',
                      {'type': kind, 'x': x, 'y': y, 'button': 'left', 'clickCount': 1})

    def close(self):
        try:
            os.killpg(self.proc.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self.proc.wait()


def errors_of(events):
    for event in events:
        method, params = event.get('method'), event.get('params', {})
        if method == 'Runtime.exceptionThrown':
            yield params['exceptionDetails'].get('text', '') + ' ' + json.dumps(
                params['exceptionDetails'].get('exception', {}).get('description', ''))
        elif method == 'Log.entryAdded' and params['entry']['level'] == 'error':
            yield params['entry']['text']
        elif method == 'Runtime.consoleAPICalled' and params['type'] in ('error', 'assert'):
            yield json.dumps(params['args'])


def open_page(browser):
    target = browser.send('Target.createTarget', {'url': 'about:blank'})['targetId']
    browser.session = browser.send('Target.attachToTarget', {'targetId': target, 'flatten': True},
                                   session=False)['sessionId']
    for domain in ('Runtime.enable', 'Log.enable', 'Page.enable'):
        browser.send(domain)


def load(browser, page):
    """Seconds from navigating to the page until its script marked it done."""
    started = time.time()
    browser.send('Page.navigate', {'url': 'file://' + os.path.abspath(page)})
    browser.wait_for('Page.loadEventFired')
    while browser.evaluate("document.documentElement.getAttribute('data-ready')") != '1':
        time.sleep(0.01)
    return time.time() - started


def main():
    global end
    end = time.time() + DEADLINE
    profile = tempfile.mkdtemp(prefix='hxview-browser-')
    if sys.argv[1] == '--load':
        chromium, page, times = sys.argv[2], sys.argv[3], int(sys.argv[4])
        end += DEADLINE * times
        browser = Browser(chromium, profile)
        try:
            open_page(browser)
            load(browser, page)  # the first load also starts the browser's own machinery
            loads = sorted(load(browser, page) for _ in range(times))
            print('load %.1f' % (loads[len(loads) // 2] * 1e3))
        finally:
            browser.close()
            shutil.rmtree(profile, ignore_errors=True)
        return
    chromium, page, table, column, typed = sys.argv[1:6]
    browser = Browser(chromium, profile)
    try:
        open_page(browser)
        load(browser, page)

        find = ("Array.from(document.querySelectorAll('h3')).find(h => h.textContent === %s)"
                ".nextElementSibling" % json.dumps(table))
        cells = ("Array.from(%s.tBodies[0].rows).map(r => r.cells[0].textContent).join(',')" % find)
        heading = ("(() => { const th = Array.from(%s.tHead.rows[0].cells).find(c => c.textContent === %s);"
                   " th.scrollIntoView(); const r = th.getBoundingClientRect();"
                   " return [r.left + r.width / 2, r.top + r.height / 2]; })()" % (find, json.dumps(column)))
        print('shown', browser.evaluate("%s.tBodies[0].rows.length" % find))
        print('rows', browser.evaluate(cells))
        browser.click(*browser.evaluate(heading))
        print('sorted', browser.evaluate(cells))
        browser.click(*browser.evaluate(heading))
        print('reversed', browser.evaluate(cells))
        browser.evaluate("document.getElementById('filter').focus()")
        browser.send('Input.insertText', {'text': typed})
        print('visible', browser.evaluate("Array.from(%s.tBodies[0].rows).filter(r => !r.hidden).length" % find))
        print('injected', browser.evaluate('typeof window.injected'))
        print('literal', browser.evaluate(
            "Array.from(document.querySelectorAll('td')).filter(c => c.textContent.includes('<script>')).length"))
        # Events that arrived while the page was used.
        browser.send('Runtime.evaluate', {'expression': '0'})
        for error in errors_of(browser.events):
            print('error', error)
    finally:
        browser.close()
        shutil.rmtree(profile, ignore_errors=True)


if __name__ == '__main__':
    main()
