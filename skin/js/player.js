// The movie player of the page: one event stream from the program, one variable store per movie,
// and one ordered lane of requests back to it. Every movie script talks to the program only here.
(function () {
  'use strict';

  const token = new URLSearchParams(location.search).get('token') || '';

  function truthy(value) {
    const text = String(value ?? '').trim().toLowerCase();
    return text === '1' || text === 'true';
  }

  class Player {
    constructor() {
      this.vars = {};          // movie -> name -> text
      this.clips = {};         // movie -> clip -> frame
      this.windows = {};       // window -> {visible, modal}
      this.listeners = {};     // "movie\nname" -> [fn]
      this.eventListeners = {}; // event type -> [fn]
      this.queue = [];
      this.sending = false;
      this.idleWaiters = [];
      this.lastSeq = 0;
      this.source = null;
      this.retryDelay = 500;
      this.ended = false;
      this.connected = false;
      this.client = undefined;
    }

    get token() { return token; }

    value(movie, name) {
      const store = this.vars[movie];
      return store && name in store ? store[name] : '';
    }

    frame(movie, clip) {
      const clips = this.clips[movie];
      return clips && clip in clips ? clips[clip] : null;
    }

    // fn(value) runs on every set of the variable, repeated values included: the log window
    // shows each line even when two runs end with the same text.
    on(movie, name, fn) {
      const key = movie + '\n' + name;
      (this.listeners[key] = this.listeners[key] || []).push(fn);
      if (this.vars[movie] && name in this.vars[movie]) fn(this.vars[movie][name]);
    }

    onEvent(type, fn) {
      (this.eventListeners[type] = this.eventListeners[type] || []).push(fn);
    }

    emit(type, payload) {
      for (const fn of this.eventListeners[type] || []) {
        try { fn(payload); } catch (err) { console.error(err); }
      }
    }

    store(movie, name, value, fromProgram) {
      const text = value == null ? '' : String(value);
      (this.vars[movie] = this.vars[movie] || {})[name] = text;
      for (const fn of this.listeners[movie + '\n' + name] || []) {
        try { fn(text, fromProgram); } catch (err) { console.error(err); }
      }
      this.emit('var', { movie, name, value: text, fromProgram });
    }

    // A user change: the page shows it at once and the program hears of it before any
    // command that is posted afterwards.
    change(movie, name, value) {
      const text = String(value);
      this.store(movie, name, text, false);
      const last = this.queue[this.queue.length - 1];
      if (last && !last.sent && last.path === '/api/setvar' &&
          last.body.movie === movie && last.body.name === name) {
        last.body.value = text;  // still waiting to be sent: nothing was posted after it
        return;
      }
      // Naming this page keeps the program from echoing the change back to it.
      this.post('/api/setvar', { movie, name, value: text, client: this.client });
    }

    command(movie, command, args) {
      return this.post('/api/fscommand', { movie, command, args: args == null ? '' : String(args) });
    }

    // The user's Cancel of the long run in progress: sent at once, beside the ordered lane, as the
    // run holds up every request queued behind it.
    cancelRun() {
      return this.send('/api/cancel', {});
    }

    answerDialog(id, result) {
      return this.post('/api/dialog', { id, result });
    }

    post(path, body) {
      return new Promise((resolve) => {
        this.queue.push({ path, body, resolve, sent: false });
        this.pump();
      });
    }

    async pump() {
      if (this.sending) return;
      this.sending = true;
      while (this.queue.length) {
        const item = this.queue[0];
        item.sent = true;
        item.resolve(await this.send(item.path, item.body));
        this.queue.shift();
      }
      this.sending = false;
      for (const resolve of this.idleWaiters.splice(0)) resolve(this.lastSeq);
    }

    async send(path, body) {
      try {
        const response = await fetch(path, {
          method: 'POST',
          headers: { 'Content-Type': 'application/json', 'X-Tavrin-Token': token },
          body: JSON.stringify(body),
        });
        if (!response.ok) {
          this.emit('problem', `The program refused a request (${response.status}).`);
          return null;
        }
        const answer = await response.json().catch(() => ({}));
        if (typeof answer.seq === 'number') this.lastSeq = Math.max(this.lastSeq, answer.seq);
        return answer;
      } catch (err) {
        if (!this.ended) this.emit('problem', 'The program could not be reached.');
        return null;
      }
    }

    // Resolves with the sequence number of the last request once everything queued is sent;
    // tests hand it to /api/idle.
    settled() {
      if (!this.queue.length && !this.sending) return Promise.resolve(this.lastSeq);
      return new Promise((resolve) => this.idleWaiters.push(resolve));
    }

    async fetchText(url) {
      const response = await fetch(url, { headers: { 'X-Tavrin-Token': token } });
      if (!response.ok) throw new Error(`${response.status} ${response.statusText}`);
      return response.text();
    }

    connect() {
      if (this.ended) return;
      const source = new EventSource('/api/events?token=' + encodeURIComponent(token));
      this.source = source;
      source.onopen = () => { this.retryDelay = 500; };
      source.onmessage = (message) => {
        let event;
        try { event = JSON.parse(message.data); } catch (err) { return; }
        this.handle(event);
      };
      source.onerror = () => {
        if (this.ended) { source.close(); return; }
        this.connected = false;
        this.emit('connection', false);
        // The browser retries by itself after a dropped stream, but not after a refused one;
        // starting afresh covers both and always begins with a new snapshot.
        source.close();
        setTimeout(() => this.connect(), this.retryDelay);
        this.retryDelay = Math.min(this.retryDelay * 2, 5000);
      };
    }

    handle(event) {
      switch (event.type) {
        case 'snapshot': return this.applySnapshot(event);
        case 'set': return this.store(event.movie, event.name, event.value, true);
        case 'window': return this.showWindow(event.window, event.visible, event.modal);
        case 'goto': return this.gotoFrame(event.movie, event.clip, event.frame);
        case 'load': return this.emit('load', event);
        case 'dialog': return this.emit(event.closed ? 'dialog-closed' : 'dialog', event);
        case 'cursor': return this.emit('cursor', Boolean(event.busy));
        case 'open': return this.emit('open', event.url);
        case 'exit':
          this.ended = true;
          if (this.source) this.source.close();
          return this.emit('exit', event);
        default: return this.emit(event.type, event);
      }
    }

    showWindow(name, visible, modal) {
      const window = String(name);
      this.windows[window] = { visible: Boolean(visible), modal: Boolean(modal) };
      this.emit('window', { window, visible: Boolean(visible), modal: Boolean(modal) });
    }

    gotoFrame(movie, clip, frame) {
      (this.clips[movie] = this.clips[movie] || {})[clip] = Number(frame);
      this.emit('goto', { movie, clip, frame: Number(frame) });
    }

    // A snapshot replaces everything the page knew: after a reconnect the program's state is
    // the truth, including a question that was open when the tab went away.
    applySnapshot(snapshot) {
      this.connected = true;
      this.client = snapshot.client;
      if (typeof snapshot.seq === 'number') this.lastSeq = Math.max(this.lastSeq, snapshot.seq);
      this.vars = {};
      this.clips = {};
      this.emit('reset', snapshot);
      // Windows first: a window that opens starts empty, and the variables then fill it.
      for (const [window, state] of Object.entries(snapshot.windows || {})) {
        this.showWindow(window, state.visible, state.modal);
      }
      for (const [movie, vars] of Object.entries(snapshot.movies || {})) {
        for (const [name, value] of Object.entries(vars || {})) this.store(movie, name, value, true);
      }
      for (const [movie, clips] of Object.entries(snapshot.frames || {})) {
        for (const [clip, frame] of Object.entries(clips || {})) this.gotoFrame(movie, clip, frame);
      }
      this.emit('cursor', Boolean(snapshot.busy));
      this.emit('dialog-reset', null);
      if (snapshot.dialog) this.emit('dialog', snapshot.dialog);
      this.emit('connection', true);
    }
  }

  window.Tavrin = { Player, truthy };
  window.tavrin = new Player();
})();
