// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// A small client of the DevTools protocol of Debian's Chromium, over the pipe that
// --remote-debugging-pipe opens (file descriptors 3 and 4, messages ended by a NUL byte):
// no WebSocket and no package from outside. One page, its events collected.
'use strict';
const { spawn } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

const ChromiumPath = process.env.QUELIX_CHROMIUM || '/usr/bin/chromium';

class TBrowser {
  static async start() {
    if (!fs.existsSync(ChromiumPath)) throw new Error(`${ChromiumPath} is not installed`);
    const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'quelix-chromium-'));
    const args = ['--headless=new', '--remote-debugging-pipe', '--no-sandbox', '--disable-gpu',
      '--no-first-run', '--no-default-browser-check', '--disable-extensions',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--disable-default-apps', '--metrics-recording-only', '--no-pings',
      `--user-data-dir=${profile}`, 'about:blank'];
    const child = spawn(ChromiumPath, args, { stdio: ['ignore', 'ignore', 'pipe', 'pipe', 'pipe'] });
    const browser = new TBrowser(child, profile);
    await browser.attach();
    return browser;
  }

  constructor(child, profile) {
    this.child = child;
    this.profile = profile;
    this.nextId = 1;
    this.pending = new Map();
    this.events = [];
    this.listeners = [];
    this.stderr = '';
    let buffer = Buffer.alloc(0);
    child.stdio[2].on('data', (d) => { this.stderr += d; });
    child.stdio[4].on('data', (chunk) => {
      buffer = Buffer.concat([buffer, chunk]);
      let end;
      while ((end = buffer.indexOf(0)) >= 0) {
        this.receive(JSON.parse(buffer.subarray(0, end).toString('utf8')));
        buffer = buffer.subarray(end + 1);
      }
    });
    this.exited = new Promise((resolve) => child.on('exit', resolve));
    child.on('exit', () => {
      for (const { reject } of this.pending.values())
        reject(new Error('Chromium exited: ' + this.stderr.slice(-2000)));
      this.pending.clear();
    });
  }

  receive(message) {
    if (message.id !== undefined) {
      const call = this.pending.get(message.id);
      if (!call) return;
      this.pending.delete(message.id);
      if (message.error) call.reject(new Error(`${call.method}: ${message.error.message}`));
      else call.resolve(message.result);
      return;
    }
    this.events.push(message);
    for (const listener of this.listeners) listener(message);
  }

  // A command to the browser, or to the page when `session` is given.
  send(method, params = {}, session = this.session) {
    const id = this.nextId++;
    const message = { id, method, params };
    if (session) message.sessionId = session;
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject, method });
      this.child.stdio[3].write(JSON.stringify(message) + '\0');
    });
  }

  async attach() {
    const { targetId } = await this.send('Target.createTarget', { url: 'about:blank' }, null);
    const { sessionId } = await this.send('Target.attachToTarget', { targetId, flatten: true }, null);
    this.session = sessionId;
    for (const domain of ['Page', 'Runtime', 'Network', 'Log', 'DOM']) await this.send(`${domain}.enable`);
  }

  // The value of a JavaScript expression in the page (awaited when it is a promise).
  async evaluate(expression) {
    const result = await this.send('Runtime.evaluate',
      { expression, awaitPromise: true, returnByValue: true });
    if (result.exceptionDetails)
      throw new Error(`${expression}: ${JSON.stringify(result.exceptionDetails).slice(0, 500)}`);
    return result.result.value;
  }

  async waitFor(expression, timeoutMs = 10000) {
    const until = Date.now() + timeoutMs;
    for (;;) {
      if (await this.evaluate(expression)) return;
      if (Date.now() > until) throw new Error(`timed out waiting for ${expression}`);
      await new Promise((r) => setTimeout(r, 20));
    }
  }

  async navigate(url) {
    const loaded = new Promise((resolve) => {
      const listener = (m) => {
        if (m.method === 'Page.loadEventFired') {
          this.listeners = this.listeners.filter((l) => l !== listener);
          resolve();
        }
      };
      this.listeners.push(listener);
    });
    await this.send('Page.navigate', { url });
    let timer;
    const timeout = new Promise((_, reject) => {
      timer = setTimeout(() => reject(new Error(`${url} did not load`)), 15000);
    });
    await Promise.race([loaded, timeout]).finally(() => clearTimeout(timer));
  }

  // Keys as a person presses them: `text` character by character, or a named key.
  async type(text) {
    for (const ch of text) {
      await this.send('Input.dispatchKeyEvent', { type: 'keyDown', text: ch, key: ch, unmodifiedText: ch });
      await this.send('Input.dispatchKeyEvent', { type: 'keyUp', key: ch });
    }
  }

  async press(key, extra = {}) {
    const codes = { Enter: 13, Tab: 9, ArrowDown: 40, ArrowUp: 38, Space: 32, Backspace: 8 };
    const base = { key: key === 'Space' ? ' ' : key, code: key, windowsVirtualKeyCode: codes[key],
      nativeVirtualKeyCode: codes[key] };
    const text = key === 'Enter' ? '\r' : key === 'Space' ? ' ' : undefined;
    await this.send('Input.dispatchKeyEvent', { type: 'keyDown', ...base, ...(text ? { text } : {}), ...extra });
    await this.send('Input.dispatchKeyEvent', { type: 'keyUp', ...base, ...extra });
  }

  // Selects the text of the focused field and types over it.
  async retype(text) {
    await this.send('Input.dispatchKeyEvent', { type: 'rawKeyDown', key: 'a', code: 'KeyA',
      windowsVirtualKeyCode: 65, modifiers: 2, commands: ['selectAll'] });
    await this.send('Input.dispatchKeyEvent', { type: 'keyUp', key: 'a', code: 'KeyA', modifiers: 2 });
    await this.press('Backspace');
    await this.type(text);
  }

  // A PNG of the page at the given window size: the whole page, or the window's part.
  async screenshot(file, width, height, mobile, whole = true) {
    await this.send('Emulation.setDeviceMetricsOverride',
      { width, height, deviceScaleFactor: 1, mobile });
    const { data } = await this.send('Page.captureScreenshot',
      { format: 'png', captureBeyondViewport: whole });
    fs.writeFileSync(file, Buffer.from(data, 'base64'));
  }

  async close() {
    try {
      await this.send('Browser.close', {}, null);
    } catch (error) {
      this.child.kill();
    }
    await this.exited;
    fs.rmSync(this.profile, { recursive: true, force: true });
  }
}

module.exports = { TBrowser };
