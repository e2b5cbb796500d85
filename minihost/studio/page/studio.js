// The studio's page. Everything it shows comes from the server: the scene's
// objects and filters, the panels the modules described (drawn by one
// renderer for "LWXPanel" panels and one for "LWPanelServices" dialogs,
// whatever the server), and the frame as raw pixels. Every control is a real
// button, input or option, labelled, and reachable from the keyboard.
'use strict';

const $ = (id) => document.getElementById(id);
const TOKEN = document.querySelector('meta[name="studio-token"]').content;

const state = {
  scene: null,
  use: null,         // the shader or filter whose panel is open
  panel: null,       // its description as last received
  tab: {},           // the page shown on each tab set, by tabs id
  version: 0,        // the newest frame drawn
  frame: null,       // what the newest frame was: {version, width, height, full, ...}
  errors: new Map(), // "use:control" -> the message shown beside that control
  historyFloor: 0,   // changes made before the page opened are not undone from it
  rendering: false,
};
window.studio = state;  // for tests that look at the page from outside

// ---- talking to the server -------------------------------------------------

class RequestError extends Error {
  constructor(status, body) {
    super(body.error || `status ${status}`);
    this.status = status;
    this.body = body;
  }
}

async function call(path, body) {
  const options = {headers: {'X-Studio-Token': TOKEN}};
  if (body !== undefined) {
    options.method = 'POST';
    options.headers['Content-Type'] = 'application/json';
    options.body = JSON.stringify(body);
  }
  const response = await fetch(path, options);
  const answer = await response.json().catch(() => ({}));
  if (!response.ok) throw new RequestError(response.status, answer);
  return answer;
}

// The message line: a live region, so it is read out; errors stay until
// dismissed or until the next thing said.
function say(text, error = false) {
  $('message').textContent = text;
  $('notice').classList.toggle('error', error);
  $('notice').hidden = !text;
}

function make(tag, className, text) {
  const e = document.createElement(tag);
  if (className) e.className = className;
  if (text !== undefined) e.textContent = text;
  return e;
}

// A label as the user reads it, without the trailing " : ".
function plain(label) {
  return (label || '').replace(/[\s:]+$/, '');
}

let sleeper = null;
function sleep(ms) {
  return new Promise((resolve) => {
    const timer = setTimeout(resolve, ms);
    sleeper = () => { clearTimeout(timer); resolve(); };
  });
}
// A change was made: look for the new frame at once.
function wake() {
  state.expectUntil = Date.now() + 3000;
  if (sleeper) sleeper();
}

// ---- the scene -------------------------------------------------------------

async function loadScene(first = false) {
  const scene = await call('/api/scene');
  state.scene = scene;
  if (first) state.historyFloor = scene.history.undo;
  $('scene-name').textContent = scene.scene;
  document.title = `minihost studio: ${scene.scene}`;
  drawObjects(scene);
  drawFilters(scene);
  drawCommandsMenu(scene);
  drawHistory(scene.history);
  const slider = $('frame');
  slider.min = scene.firstFrame;
  slider.max = scene.lastFrame;
  slider.value = scene.frame;
  $('frame-number').textContent = scene.frame;
  $('frame-label').hidden = scene.firstFrame === scene.lastFrame;
  for (const radio of document.querySelectorAll('input[name="view"]')) radio.checked = radio.value === scene.view;
  const canvas = $('frame-canvas');
  canvas.dataset.fullWidth = scene.width;
  canvas.dataset.fullHeight = scene.height;
  sizeCanvas();
}

function drawHistory(history) {
  const undo = $('undo'), redo = $('redo');
  undo.disabled = history.undo <= state.historyFloor;
  redo.disabled = history.redo === 0;
  undo.textContent = 'Undo';
  redo.textContent = 'Redo';
  undo.title = undo.disabled ? 'Nothing to undo' : `Undo ${history.nextUndo}`;
  redo.title = redo.disabled ? 'Nothing to redo' : `Redo ${history.nextRedo}`;
  undo.setAttribute('aria-label', undo.title);
  redo.setAttribute('aria-label', redo.title);
}

// After any change: the history and the lists as the server has them now.
async function refreshScene() {
  try {
    await loadScene();
  } catch (e) {
    say(e.message, true);
  }
}

function markCurrent() {
  for (const e of document.querySelectorAll('[data-use]')) {
    const current = Number(e.dataset.use) === state.use;
    e.classList.toggle('current', current);
    e.setAttribute('aria-pressed', current ? 'true' : 'false');
  }
}

function useButton(text, use, panel, extra) {
  const button = make('button', panel ? 'item' : 'item plain', text);
  button.type = 'button';
  if (extra) button.append(make('span', 'kind', extra));
  if (panel) {
    button.dataset.use = use;
    button.addEventListener('click', () => openPanel(use));
  } else {
    button.disabled = true;
  }
  return button;
}

function drawObjects(scene) {
  const list = $('objects');
  const focused = focusKey();
  list.replaceChildren();
  scene.objects.forEach((object, n) => {
    const li = make('li');
    const head = make('div', 'object-name');
    const tick = make('input');
    tick.type = 'checkbox';
    tick.id = `object-${n}`;
    tick.checked = object.selected;
    tick.dataset.object = object.name;
    tick.dataset.focusKey = `object-${object.name}`;
    tick.addEventListener('change', selectObjects);
    const label = make('label', '', object.name);
    label.htmlFor = tick.id;
    head.append(tick, label);
    li.append(head);
    const surfaces = make('ul');
    surfaces.setAttribute('aria-label', `Surfaces of ${object.name}`);
    for (const surface of object.surfaces) {
      const row = make('li');
      if (surface.shaders.length === 0) {
        row.append(make('div', 'surface-name', `${surface.name} (no shader)`));
      } else {
        // Every shader instance on the surface, in the order they run.
        surface.shaders.forEach((shader, i) => {
          const count = surface.shaders.length > 1 ? ` ${i + 1} of ${surface.shaders.length}` : '';
          const button = useButton(surface.name, shader.id, shader.panel, `${shader.server.split(':').pop()}${count}`);
          button.setAttribute('aria-label', `${object.name} ${surface.name}: ${shader.server}${count}`);
          button.dataset.focusKey = `use-${shader.id}`;
          if (i === 0) button.dataset.surface = `${object.name}/${surface.name}`;
          row.append(button);
        });
      }
      surfaces.append(row);
    }
    li.append(surfaces);
    list.append(li);
  });
  markCurrent();
  restoreFocus(focused, list);
}

function drawFilters(scene) {
  const list = $('filters');
  const focused = focusKey();
  list.replaceChildren();
  if (scene.filters.length === 0) list.append(make('li', 'hint', 'none'));
  for (const filter of scene.filters) {
    const button = useButton(filter.server, filter.id, filter.panel, filter.kind);
    button.dataset.filter = filter.server;
    button.dataset.focusKey = `use-${filter.id}`;
    const li = make('li');
    li.append(button);
    list.append(li);
  }
  markCurrent();
  restoreFocus(focused, list);
}

async function selectObjects() {
  const names = [...document.querySelectorAll('#objects input[data-object]')]
    .filter((t) => t.checked).map((t) => t.dataset.object);
  try {
    const done = await call('/api/select', {objects: names});
    say(done.selected.length ? `selected: ${done.selected.join(', ')}` : 'nothing selected');
  } catch (e) {
    say(e.message, true);
  }
}

// ---- focus across redraws --------------------------------------------------

function focusKey() {
  const e = document.activeElement;
  return e && e.dataset ? e.dataset.focusKey || null : null;
}

function restoreFocus(key, within) {
  if (!key || (document.activeElement && document.activeElement !== document.body &&
      document.activeElement.isConnected)) return;
  const e = within.querySelector(`[data-focus-key="${CSS.escape(key)}"]`);
  if (e) e.focus();
}

// ---- panels ----------------------------------------------------------------

async function openPanel(use) {
  try {
    const panel = await call('/api/panel/open', {use});
    if (panel.kind === 'dialog') {
      showDialog(panel, (values) => call('/api/dialog', {use, values}).then(() => {
        say(`${panel.title || panel.server}: confirmed`);
        wake();
        refreshScene();
      }));
      return;
    }
    state.use = use;
    markCurrent();
    drawPanel(panel);
  } catch (e) {
    say(e.message, true);
  }
}

function drawPanel(panel) {
  state.panel = panel;
  const pane = $('panel-pane');
  const focused = focusKey();
  const hadFocus = pane.contains(document.activeElement);
  pane.replaceChildren();
  if (panel.kind !== 'xpanel') {
    pane.append(make('p', 'hint', `${panel.server} has no panel.`));
    return;
  }
  const title = make('h2', 'panel-title', panel.title);
  title.id = 'panel-title';
  pane.setAttribute('aria-labelledby', 'panel-title');
  pane.append(title, make('p', 'panel-server', `${panel.server}${panel.where ? ` on ${panel.where}` : ''}`));
  new XPanelView(panel, pane).draw();
  // The control being edited keeps the focus across the redraw.
  if (focused && (hadFocus || document.activeElement === document.body || !document.activeElement)) {
    const e = pane.querySelector(`[data-focus-key="${CSS.escape(focused)}"]`);
    if (e) e.focus();
  }
}

// Draws an "LWXPanel" description: tabs of groups of controls, then what no
// tab holds.
class XPanelView {
  constructor(panel, into) {
    this.panel = panel;
    this.into = into;
    this.controls = new Map(panel.controls.map((c) => [c.id, c]));
    this.groups = new Map(panel.groups.map((g) => [g.id, g]));
    this.placed = new Set();
  }

  draw() {
    for (const tabs of this.panel.tabs) this.drawTabs(tabs);
    const rest = make('div');
    for (const g of this.panel.groups)
      if (!this.placed.has(g.id) && !this.isMember(g.id)) this.drawGroup(g, rest);
    for (const c of this.panel.controls) if (!this.placed.has(c.id)) this.drawControl(c, rest);
    this.into.append(rest);
  }

  isMember(id) {
    return this.panel.groups.some((g) => g.members.includes(id));
  }

  drawTabs(tabs) {
    const bar = make('div', 'tabs');
    bar.setAttribute('role', 'tablist');
    const pages = make('div');
    const current = state.tab[tabs.id] ?? tabs.pages[0];
    const buttons = [];
    for (const page of tabs.pages) {
      const group = this.groups.get(page);
      const selected = page === current;
      const button = make('button', selected ? 'current' : '', group && group.label ? group.label : `page ${page}`);
      button.type = 'button';
      button.id = `tab-${tabs.id}-${page}`;
      button.setAttribute('role', 'tab');
      button.setAttribute('aria-selected', selected ? 'true' : 'false');
      button.setAttribute('aria-controls', `tabpage-${tabs.id}-${page}`);
      button.tabIndex = selected ? 0 : -1;
      button.dataset.focusKey = `tab-${tabs.id}-${page}`;
      const choose = () => {
        state.tab[tabs.id] = page;
        drawPanel(state.panel);
        const again = $(`tab-${tabs.id}-${page}`);
        if (again) again.focus();
      };
      button.addEventListener('click', choose);
      button.addEventListener('keydown', (event) => {
        const at = tabs.pages.indexOf(page);
        const step = {ArrowRight: 1, ArrowLeft: -1}[event.key];
        if (!step) return;
        event.preventDefault();
        state.tab[tabs.id] = tabs.pages[(at + step + tabs.pages.length) % tabs.pages.length];
        drawPanel(state.panel);
        const again = $(`tab-${tabs.id}-${state.tab[tabs.id]}`);
        if (again) again.focus();
      });
      buttons.push(button);
      bar.append(button);
      this.placed.add(page);
      const body = make('div');
      body.id = `tabpage-${tabs.id}-${page}`;
      body.setAttribute('role', 'tabpanel');
      body.setAttribute('aria-labelledby', button.id);
      body.hidden = !selected;
      if (group) this.drawMembers(group, body);
      pages.append(body);
    }
    this.into.append(bar, pages);
  }

  drawMembers(group, into) {
    for (const id of group.members) {
      if (this.placed.has(id)) continue;
      if (this.groups.has(id)) this.drawGroup(this.groups.get(id), into);
      else if (this.controls.has(id)) this.drawControl(this.controls.get(id), into);
    }
  }

  drawGroup(group, into) {
    this.placed.add(group.id);
    const box = make('div', 'group');
    if (group.label) {
      const label = make('div', 'group-label', group.label);
      label.id = `group-${group.id}`;
      box.setAttribute('role', 'group');
      box.setAttribute('aria-labelledby', label.id);
      box.append(label);
    }
    this.drawMembers(group, box);
    into.append(box);
  }

  drawControl(c, into) {
    this.placed.add(c.id);
    const use = this.panel.use;
    const row = make('div', c.enabled ? 'control' : 'control disabled');
    row.dataset.control = c.id;
    row.dataset.label = plain(c.label);
    const id = `control-${use}-${c.id}`;
    const editor = controlEditor(c, id, (value) => commit(c, value), (entry) => runPopup(c, entry));
    if (c.class === 'vButton') {
      row.append(make('span', 'label'), editor);
    } else if (c.class === 'iBoolean') {
      const label = make('label', 'label');
      label.append(editor, ' ', plain(c.label));
      row.append(label);
    } else {
      const label = make('label', 'label', plain(c.label));
      label.htmlFor = id;
      row.append(label, editor);
    }
    if (c.textured) {
      const badge = make('span', 'badge textured', 'textured');
      badge.title = 'A texture is laid over this value: a new value changes what lies under it.';
      row.append(badge);
    }
    if (c.animated) {
      const badge = make('span', 'badge', 'keyed');
      badge.title = 'Keys animate this value: a new value sets a key at this frame or replaces the keys.';
      row.append(badge);
    }
    if (c.default !== undefined && c.value !== null && !sameValue(c.value, c.default)) {
      const reset = make('button', 'reset', '↺');
      reset.type = 'button';
      reset.dataset.focusKey = `reset-${c.id}`;
      reset.setAttribute('aria-label', `Reset ${plain(c.label)} to its default (${shown(c, c.default)})`);
      reset.title = reset.getAttribute('aria-label');
      reset.addEventListener('click', () => commit(c, c.default, {reset: true}));
      row.append(reset);
    }
    const error = state.errors.get(`${use}:${c.id}`);
    const note = make('p', 'control-error', error || '');
    note.id = `error-${use}-${c.id}`;
    note.setAttribute('role', 'alert');
    row.append(note);
    for (const input of row.querySelectorAll('input, select, button')) {
      input.disabled = !c.enabled;
      if (input.classList.contains('reset')) continue;
      if (error) input.setAttribute('aria-invalid', 'true');
      input.setAttribute('aria-describedby', note.id);
    }
    into.append(row);
  }
}

function sameValue(a, b) {
  const near = (x, y) => Math.abs(x - y) <= 1e-9 * Math.max(1, Math.abs(x), Math.abs(y));
  if (Array.isArray(a) && Array.isArray(b)) return a.length === b.length && a.every((v, i) => near(v, b[i]));
  if (typeof a === 'number' && typeof b === 'number') return near(a, b);
  return a === b;
}

const round = (v) => Number(v.toPrecision(10));

// A value as its control shows it: percentages and degrees for the fractions
// and radians that are stored.
function shown(c, v) {
  if (Array.isArray(v)) return hexColour(v);
  if (c.class === 'percent' || c.class === 'percent-env') return `${round(v * 100)} %`;
  if (c.class === 'angle') return `${round(v * 180 / Math.PI)}°`;
  if (c.class === 'iBoolean') return v ? 'on' : 'off';
  if (c.class === 'iPopChoice' && c.choices) return c.choices[v] ?? String(v);
  return String(round(v));
}

function rangeText(c, range) {
  const percent = c.class === 'percent' || c.class === 'percent-env';
  const scale = (v) => (percent ? round(v * 100) : v);
  const unit = percent ? ' %' : '';
  return range.max === null ? `${scale(range.min)}${unit} or more` : `${scale(range.min)}–${scale(range.max)}${unit}`;
}

function outside(range, v) {
  return range && typeof v === 'number' && (v < range.min || (range.max !== null && v > range.max));
}

function hexColour(rgb) {
  const byte = (v) => Math.round(Math.min(1, Math.max(0, v)) * 255).toString(16).padStart(2, '0');
  return `#${rgb.map(byte).join('')}`;
}

function coloursOf(hex) {
  return [1, 3, 5].map((i) => parseInt(hex.slice(i, i + 2), 16) / 255);
}

// The editor of one control by its class. Values go to the server as they
// are stored: fractions for percentages, radians for angles. An emptied
// field goes back to the value it had.
function controlEditor(c, id, set, popup) {
  const numberInput = (shownValue, toStored, step) => {
    const input = make('input');
    input.type = 'number';
    input.step = step;
    input.id = id;
    input.dataset.focusKey = `c${c.id}`;
    if (shownValue !== null) input.value = shownValue;
    input.addEventListener('change', () => {
      const text = input.value.trim();
      if (text === '' || !Number.isFinite(Number(text))) {
        input.value = shownValue === null ? '' : shownValue;
        say(`${plain(c.label)}: left at ${shownValue}`);
        return;
      }
      set(toStored(Number(text)));
    });
    return input;
  };
  switch (c.class) {
    case 'color-env': {
      const input = make('input');
      input.type = 'color';
      input.id = id;
      input.dataset.focusKey = `c${c.id}`;
      if (Array.isArray(c.value)) input.value = hexColour(c.value);
      input.addEventListener('change', () => set(coloursOf(input.value)));
      return input;
    }
    case 'percent':
    case 'percent-env': {
      const span = make('span');
      span.append(numberInput(c.value === null ? null : round(c.value * 100), (v) => v / 100, 'any'),
        make('span', 'unit', ' %'));
      return span;
    }
    case 'angle': {
      const span = make('span');
      span.append(numberInput(c.value === null ? null : round(c.value * 180 / Math.PI), (v) => v * Math.PI / 180, 'any'),
        make('span', 'unit', ' °'));
      return span;
    }
    case 'integer':
      return numberInput(c.value, (v) => Math.trunc(v), '1');
    case 'iBoolean': {
      const input = make('input');
      input.type = 'checkbox';
      input.id = id;
      input.dataset.focusKey = `c${c.id}`;
      input.checked = !!c.value;
      input.addEventListener('change', () => set(input.checked));
      return input;
    }
    case 'iPopChoice': {
      const select = make('select');
      select.id = id;
      select.dataset.focusKey = `c${c.id}`;
      (c.choices || []).forEach((text, i) => {
        const option = make('option', '', text);
        option.value = i;
        select.append(option);
      });
      select.value = c.value;
      select.addEventListener('change', () => set(Number(select.value)));
      return select;
    }
    case 'vButton': {
      const button = make('button', '', plain(c.label));
      button.type = 'button';
      button.id = id;
      button.dataset.focusKey = `c${c.id}`;
      button.addEventListener('click', () => pressButton(c));
      return button;
    }
    case 'vPopCmd': {
      const select = make('select');
      select.id = id;
      select.dataset.focusKey = `c${c.id}`;
      select.setAttribute('aria-label', plain(c.label));
      select.append(make('option', '', `${plain(c.label)}…`));
      (c.choices || []).forEach((text, i) => {
        const option = make('option', '', text);
        option.value = i;
        select.append(option);
      });
      select.addEventListener('change', () => {
        const entry = Number(select.value);
        select.selectedIndex = 0;
        popup(entry);
      });
      return select;
    }
    default:
      if (typeof c.value === 'number') return numberInput(c.value, (v) => v, 'any');
      return make('span', 'unit', c.value === null ? '' : JSON.stringify(c.value));
  }
}

// Sends a value, asking first when it lies outside the control's advised
// range, and, for a keyed value, whether to key it or replace the keys.
async function commit(c, value, {reset = false} = {}) {
  const use = state.use;
  if (!reset && outside(c.range, value)) {
    const keep = await ask(`${plain(c.label)}`, `${shown(c, value)} is outside ${rangeText(c, c.range)}: keep it?`,
      [{label: 'Keep it', value: true}, {label: 'Put it back', value: false}]);
    if (!keep) {
      redrawPanel();
      return;
    }
  }
  let key = false;
  if (c.animated && !reset) {
    const how = await ask(`${plain(c.label)} is keyed`,
      `Keys animate ${plain(c.label)}. Set a key at frame ${$('frame').value} with the new value, or replace the keys with it?`,
      [{label: `Set a key at frame ${$('frame').value}`, value: 'key'}, {label: 'Replace the keys', value: 'replace'}]);
    if (!how) {
      redrawPanel();
      return;
    }
    key = how === 'key';
  }
  await panelCall('/api/panel/set', {use, control: c.id, value, key}, c);
}

function redrawPanel() {
  if (state.panel) drawPanel(state.panel);
}

// A change on the open panel: the answer is the panel as it is now; an
// error is shown beside the control that caused it until it is fixed.
async function panelCall(path, body, c) {
  const key = `${body.use}:${c.id}`;
  try {
    const answer = await call(path, body);
    state.errors.delete(key);
    if (state.use === body.use) drawPanel(answer);
    say('');
    wake();
    refreshScene();
    return answer;
  } catch (e) {
    state.errors.set(key, `${plain(c.label)}: ${e.message}`);
    if (state.use === body.use) {
      const now = await call(`/api/panel?use=${body.use}`).catch(() => null);
      drawPanel(now && now.kind === 'xpanel' ? now : state.panel);
    }
    return null;
  }
}

function pressButton(c) {
  return panelCall('/api/panel/press', {use: state.use, control: c.id}, c);
}

// A pop-up command; when it asks for a file, the page asks the user and runs
// it again with the answer.
async function runPopup(c, entry) {
  const use = state.use;
  let answer;
  try {
    answer = await call('/api/panel/popup', {use, control: c.id, entry});
  } catch (e) {
    state.errors.set(`${use}:${c.id}`, `${plain(c.label)}: ${e.message}`);
    redrawPanel();
    return;
  }
  if (!answer.fileRequest) {
    if (state.use === use) drawPanel(answer);
    wake();
    refreshScene();
    return;
  }
  askFile(answer.fileRequest, async (path, overwrite) => {
    const done = await call('/api/panel/popup', {use, control: c.id, entry, path, overwrite});
    state.errors.delete(`${use}:${c.id}`);
    if (state.use === use) drawPanel(done);
    say(`${answer.fileRequest.save ? 'saved' : 'loaded'} ${done.file}`);
    wake();
    refreshScene();
  });
}

// ---- dialogs ---------------------------------------------------------------

// One modal at a time: it traps the focus, Escape or Cancel closes it, and
// the focus goes back where it was.
const modalState = {opener: null, openerKey: null, cancel: null};

function focusables(root) {
  return [...root.querySelectorAll('button, input, select, textarea, [tabindex="0"]')]
    .filter((e) => !e.disabled && !e.hidden && e.offsetParent !== null);
}

function openModal(title, fill, buttons) {
  modalState.opener = document.activeElement;
  modalState.openerKey = focusKey();
  $('modal-title').textContent = title;
  const body = $('modal-body');
  body.replaceChildren();
  $('modal-error').textContent = '';
  fill(body);
  const row = $('modal-form').querySelector('.buttons');
  row.replaceChildren(...buttons);
  $('modal').hidden = false;
  const first = body.querySelector('input, select, button') || buttons[buttons.length - 1];
  if (first) first.focus();
}

function closeModal() {
  $('modal').hidden = true;
  $('modal-form').onsubmit = null;
  modalState.cancel = null;
  const opener = modalState.opener;
  if (opener && opener.isConnected) opener.focus();
  else restoreFocus(modalState.openerKey, document.body);
}

function makeButton(text, id, type = 'button') {
  const b = make('button', '', text);
  b.type = type;
  if (id) b.id = id;
  return b;
}

// Shows a modal with `fill(body)` and calls `confirm(overwrite)` on OK; an
// error from it stays in the modal. A 409 with {exists} asks before
// overwriting and confirms again with overwrite set. `check()` may return a
// question to ask before the first OK goes through.
function modal(title, fill, confirm, check) {
  const cancel = makeButton('Cancel', 'modal-cancel');
  const ok = makeButton('OK', 'modal-ok', 'submit');
  openModal(title, fill, [cancel, ok]);
  modalState.cancel = closeModal;
  cancel.addEventListener('click', closeModal);
  let overwrite = false, asked = false;
  $('modal-form').onsubmit = async (event) => {
    event.preventDefault();
    const question = check && !asked ? check() : null;
    if (question) {
      asked = true;
      $('modal-error').textContent = `${question} Press OK again to keep it.`;
      ok.textContent = 'Keep it';
      return;
    }
    try {
      await confirm(overwrite);
      closeModal();
    } catch (e) {
      if (e.status === 409 && e.body && e.body.exists && !overwrite) {
        overwrite = true;
        $('modal-error').textContent = `${e.body.path} exists. Press OK again to overwrite it.`;
        ok.textContent = 'Overwrite';
        return;
      }
      $('modal-error').textContent = e.message;
    }
  };
}

// Asks a question with a few answers; resolves to the answer's value, or
// null when cancelled.
function ask(title, text, answers) {
  return new Promise((resolve) => {
    const done = (value) => {
      closeModal();
      resolve(value);
    };
    const buttons = answers.map((a) => {
      const b = makeButton(a.label);
      b.addEventListener('click', () => done(a.value));
      return b;
    });
    const cancel = makeButton('Cancel', 'modal-cancel');
    cancel.addEventListener('click', () => done(null));
    openModal(title, (body) => body.append(make('p', '', text)), [cancel, ...buttons]);
    modalState.cancel = () => done(null);
    $('modal-form').onsubmit = (event) => event.preventDefault();
    buttons[0].focus();
  });
}

function pathField(label, value, files) {
  const row = make('div', 'control');
  const input = make('input');
  input.type = 'text';
  input.id = 'path-field';
  input.value = value || '';
  input.dataset.path = '';
  input.addEventListener('input', () => { const ok = $('modal-ok'); if (ok) ok.textContent = 'OK'; });
  const text = make('label', 'label', label);
  text.htmlFor = input.id;
  row.append(text, input);
  const list = make('ul', 'file-list');
  list.setAttribute('aria-label', 'Files');
  for (const f of files || []) {
    const li = make('li');
    const pick = makeButton(f);
    pick.dataset.file = f;
    pick.addEventListener('click', () => {
      input.value = f;
      input.focus();
    });
    li.append(pick);
    list.append(li);
  }
  return {row, list, input};
}

function askFile(request, answer) {
  let field;
  modal(request.title, (body) => {
    field = pathField(`File (in ${state.scene.root})`, '', request.files);
    body.append(field.row, field.list);
  }, (overwrite) => answer(field.input.value, overwrite));
}

// Objects that go with the selection in a command that matches by mesh
// file: those loaded from the same file as a ticked object.
function sharingFiles() {
  const ticked = state.scene.objects.filter((o) => o.selected);
  const files = new Set(ticked.map((o) => o.file));
  return state.scene.objects.filter((o) => !o.selected && files.has(o.file)).map((o) => o.name);
}

// Draws an "LWPanelServices" dialog: its controls in the order the module
// added them, with the values it set; OK sends one value per control (null:
// left as the module set it, as for an emptied field).
function showDialog(dialog, confirm) {
  const read = [];
  modal(dialog.title, (body) => {
    for (const c of dialog.controls) {
      const row = make('div', 'control');
      row.dataset.label = plain(c.label);
      const id = `dialog-${c.index}`;
      let get = () => null;
      if (c.kind === 'FloatControl') {
        const input = make('input');
        input.type = 'number';
        input.step = 'any';
        input.id = id;
        input.value = c.value;
        const label = make('label', 'label', plain(c.label));
        label.htmlFor = id;
        row.append(label, input);
        get = () => {
          const text = input.value.trim();
          return text === '' || !Number.isFinite(Number(text)) ? null : Number(text);
        };
        read.check = read.check || [];
        read.check.push(() => {
          const v = get();
          return outside(c.range, v) ? `${plain(c.label)}: ${v} is outside ${rangeText({}, c.range)}.` : null;
        });
      } else if (c.kind === 'BoolControl') {
        const input = make('input');
        input.type = 'checkbox';
        input.id = id;
        input.checked = !!c.value;
        const label = make('label', 'label');
        label.append(input, ' ', plain(c.label));
        row.append(label);
        get = () => input.checked;
      } else if (c.kind === 'ChoiceControl') {
        const choices = make('fieldset', 'choices');
        const legend = make('legend', 'label', plain(c.label));
        choices.append(legend);
        c.items.forEach((text, i) => {
          const label = make('label');
          const input = make('input');
          input.type = 'radio';
          input.name = `choice-${c.index}`;
          input.value = i;
          input.checked = i === c.value;
          label.append(input, ' ', text);
          choices.append(label);
        });
        row.append(choices);
        get = () => Number(choices.querySelector('input:checked').value);
        if (c.items.includes('Selected')) {
          const others = sharingFiles();
          row.append(make('p', 'note', '"Selected" treats the ticked objects and every object loaded from the same ' +
            'mesh file as one of them' + (others.length ? `: here also ${others.join(', ')}.` : '.')));
        }
      } else if (c.kind === 'FileControl') {
        const field = pathField(plain(c.label), c.value, []);
        field.input.id = id;
        field.row.querySelector('label').htmlFor = id;
        row.append(...field.row.childNodes);
        get = () => field.input.value;
      } else if (c.kind === 'AreaControl') {
        row.append(make('hr'));
      }
      read.push(get);
      body.append(row);
    }
  }, () => confirm(read.map((get) => get())), () => {
    for (const check of read.check || []) {
      const question = check();
      if (question) return question;
    }
    return null;
  });
}

// ---- the commands menu -----------------------------------------------------

function menuItems() {
  return [...$('commands-menu').querySelectorAll('[role="menuitem"]')];
}

function openMenu(focusLast = false) {
  $('commands-menu').hidden = false;
  $('commands-button').setAttribute('aria-expanded', 'true');
  const items = menuItems();
  if (items.length) items[focusLast ? items.length - 1 : 0].focus();
}

function closeMenu(returnFocus = true) {
  $('commands-menu').hidden = true;
  $('commands-button').setAttribute('aria-expanded', 'false');
  if (returnFocus) $('commands-button').focus();
}

function drawCommandsMenu(scene) {
  const menu = $('commands-menu');
  menu.replaceChildren();
  const entries = scene.utilities.length ? scene.utilities : [null];
  for (const u of entries) {
    const li = make('li');
    li.setAttribute('role', 'none');
    const item = makeButton(u ? `${u.server} (${u.module})` : 'none');
    item.setAttribute('role', 'menuitem');
    item.tabIndex = -1;
    if (u) {
      item.dataset.server = u.server;
      item.addEventListener('click', () => {
        closeMenu();
        runUtility(u.server);
      });
    } else {
      item.disabled = true;
    }
    li.append(item);
    menu.append(li);
  }
}

async function runUtility(server) {
  try {
    const dialog = await call('/api/utility/dialog', {server});
    await refreshScene();  // the selection note reads the objects as they are
    showDialog(dialog, async (values) => {
      const done = await call('/api/utility', {server, values});
      say(`${server}: ${done.commands} commands, ${done.added} shaders added, ${done.removed} removed` +
        (done.notDone ? `, ${done.notDone} not done` : ''));
      wake();
      await afterSceneChange();
    });
  } catch (e) {
    say(e.message, true);
  }
}

// Shaders may have come or gone: the lists again, and the open panel if its
// shader is still there.
async function afterSceneChange() {
  await loadScene();
  if (state.use === null) return;
  if (document.querySelector(`[data-use="${state.use}"]`)) {
    const panel = await call(`/api/panel?use=${state.use}`).catch(() => null);
    if (panel && panel.kind === 'xpanel') drawPanel(panel);
    else openPanel(state.use);
  } else {
    state.use = null;
    state.panel = null;
    $('panel-pane').replaceChildren(make('p', 'hint', 'No panel open.'));
  }
}

async function stepHistory(which) {
  try {
    const done = await call(`/api/${which}`, {});
    say(`${which === 'undo' ? 'undone' : 'redone'}: ${done.undone || done.redone}`);
    wake();
    await afterSceneChange();
  } catch (e) {
    say(e.message, true);
  }
}

function saveScene() {
  let field;
  modal('Save scene', (body) => {
    field = pathField(`Scene file (in ${state.scene.root})`, state.scene.scene, []);
    body.append(field.row);
  }, async (overwrite) => {
    const done = await call('/api/save', {path: field.input.value, overwrite});
    say(`saved ${done.saved}`);
  });
}

// ---- the frame -------------------------------------------------------------

function sizeCanvas() {
  const canvas = $('frame-canvas');
  const zoom = $('zoom').value;
  const full = Number(canvas.dataset.fullWidth || canvas.width);
  $('frame-box').classList.toggle('fit', zoom === 'fit');
  // The preview is drawn at full size too, so the frame does not jump.
  canvas.style.width = `${zoom === 'fit' ? full : full * Number(zoom)}px`;
  canvas.style.imageRendering = zoom !== 'fit' && Number(zoom) >= 1 ? 'pixelated' : 'auto';
}

function drawFrame(frame, pixels) {
  const canvas = $('frame-canvas');
  canvas.width = frame.width;
  canvas.height = frame.height;
  // Shown as a frame viewer shows it: the colours, with the background
  // colour where nothing was hit (alpha 0).
  const bytes = new Uint8ClampedArray(pixels);
  for (let i = 3; i < bytes.length; i += 4) bytes[i] = 255;
  const image = new ImageData(bytes, frame.width, frame.height);
  canvas.getContext('2d').putImageData(image, 0, 0);
  sizeCanvas();
}

// What the renderer is doing, from the headers every frame answer carries.
function showRenderState(h) {
  const rendering = h('X-Rendering') === '1';
  const full = h('X-Rendering-Full') === '1';
  const stage = h('X-Rendering-Stage') || '';
  const text = rendering ? `Rendering ${full ? 'full size' : 'the preview'}${stage ? ` (${stage})` : ''}…`
    : state.cancelled ? 'Render cancelled: the frame shows the last finished image.' : 'Frame up to date.';
  state.rendering = rendering;
  if (rendering) state.cancelled = false;
  $('render-state').classList.toggle('busy', rendering);
  if ($('render-text').textContent !== text) $('render-text').textContent = text;
  const progress = $('render-progress');
  progress.hidden = !rendering;
  progress.value = Number(h('X-Rendering-Progress') || 0);
  const cancel = $('cancel-render');
  if (cancel.hidden === rendering) {
    if (!rendering && document.activeElement === cancel) $('frame-box').focus();
    cancel.hidden = !rendering;
  }
}

async function followFrames() {
  for (;;) {
    let delay = 400;
    try {
      const response = await fetch(`/api/frame?since=${state.version}`, {headers: {'X-Studio-Token': TOKEN}});
      const h = (name) => response.headers.get(name);
      showRenderState(h);
      if (response.status === 200) {
        const frame = {
          version: Number(h('X-Frame-Version')),
          width: Number(h('X-Frame-Width')),
          height: Number(h('X-Frame-Height')),
          number: Number(h('X-Frame-Number')),
          view: h('X-Frame-View'),
          full: h('X-Frame-Full') === '1',
          renderSeconds: Number(h('X-Render-Seconds')),
          sinceChange: Number(h('X-Since-Change-Seconds')),
          error: h('X-Frame-Error'),
          note: h('X-Frame-Note'),
        };
        const pixels = await response.arrayBuffer();
        state.version = frame.version;
        const status = $('frame-status');
        status.classList.toggle('failed', !!frame.error || !!frame.note);
        if (frame.error) {
          status.textContent = `The render failed: ${frame.error}`;
        } else {
          drawFrame(frame, pixels);
          status.textContent = `frame ${frame.number}, ${frame.full ? 'full size' : 'preview'} ` +
            `${frame.width} × ${frame.height}: rendered in ${frame.renderSeconds.toFixed(2)} s, ` +
            `${frame.sinceChange.toFixed(2)} s after the last change` + (frame.note ? `. ${frame.note}` : '');
        }
        state.frame = frame;
        delay = 0;
      } else if (response.status === 204) {
        delay = state.rendering || Date.now() < (state.expectUntil || 0) ? 40 : 400;
      } else {
        delay = 1000;
      }
    } catch (e) {
      $('render-text').textContent = 'The studio does not answer.';
      delay = 1000;
    }
    if (delay) await sleep(delay);
  }
}

async function show() {
  const view = document.querySelector('input[name="view"]:checked').value;
  const frame = Number($('frame').value);
  $('frame-number').textContent = frame;
  try {
    await call('/api/show', {frame, view});
    wake();
    if (state.use !== null) {
      const panel = await call(`/api/panel?use=${state.use}`);
      if (panel.kind === 'xpanel') drawPanel(panel);
    }
  } catch (e) {
    say(e.message, true);
  }
}

// ---- the keyboard ----------------------------------------------------------

function editingText(e) {
  return e && ((e.tagName === 'INPUT' && !['checkbox', 'radio', 'range', 'color'].includes(e.type)) ||
    e.tagName === 'TEXTAREA');
}

function keys(event) {
  const modalOpen = !$('modal').hidden;
  if (modalOpen) {
    if (event.key === 'Escape') {
      event.preventDefault();
      if (modalState.cancel) modalState.cancel();
    } else if (event.key === 'Tab') {
      // The focus stays in the dialog.
      const inside = focusables($('modal-form'));
      if (!inside.length) return;
      const at = inside.indexOf(document.activeElement);
      const next = event.shiftKey ? (at <= 0 ? inside.length - 1 : at - 1) : (at + 1) % inside.length;
      event.preventDefault();
      inside[next].focus();
    }
    return;
  }
  if (!$('commands-menu').hidden && $('commands-menu').contains(document.activeElement)) {
    const items = menuItems();
    const at = items.indexOf(document.activeElement);
    if (event.key === 'Escape') {
      event.preventDefault();
      closeMenu();
    } else if (event.key === 'ArrowDown' || event.key === 'ArrowUp') {
      event.preventDefault();
      const step = event.key === 'ArrowDown' ? 1 : -1;
      items[(at + step + items.length) % items.length].focus();
    } else if (event.key === 'Home' || event.key === 'End') {
      event.preventDefault();
      items[event.key === 'Home' ? 0 : items.length - 1].focus();
    } else if (event.key === 'Tab') {
      closeMenu(false);
    }
    return;
  }
  if (event.key === 'Escape' && !$('notice').hidden) {
    say('');
    return;
  }
  // Arrows walk the scene's lists.
  if ((event.key === 'ArrowDown' || event.key === 'ArrowUp') && $('scene-pane').contains(document.activeElement)) {
    const items = [...$('scene-pane').querySelectorAll('input[type="checkbox"], button.item:not(:disabled)')];
    const at = items.indexOf(document.activeElement);
    if (at >= 0) {
      event.preventDefault();
      items[Math.max(0, Math.min(items.length - 1, at + (event.key === 'ArrowDown' ? 1 : -1)))].focus();
    }
    return;
  }
  const z = event.key === 'z' || event.key === 'Z';
  if ((event.ctrlKey || event.metaKey) && (z || event.key === 'y') && !editingText(document.activeElement)) {
    event.preventDefault();
    const redo = event.key === 'y' || event.shiftKey;
    if (!$(redo ? 'redo' : 'undo').disabled) stepHistory(redo ? 'redo' : 'undo');
  }
}

// ---- start -----------------------------------------------------------------

function start() {
  for (const radio of document.querySelectorAll('input[name="view"]')) radio.addEventListener('change', show);
  $('frame').addEventListener('change', show);
  $('frame').addEventListener('input', () => { $('frame-number').textContent = $('frame').value; });
  $('zoom').addEventListener('change', sizeCanvas);
  $('save-scene').addEventListener('click', saveScene);
  $('undo').addEventListener('click', () => stepHistory('undo'));
  $('redo').addEventListener('click', () => stepHistory('redo'));
  $('notice-close').addEventListener('click', () => say(''));
  $('cancel-render').addEventListener('click', async () => {
    try {
      await call('/api/cancel', {});
      state.cancelled = true;
      wake();
    } catch (e) {
      say(e.message, true);
    }
  });
  $('commands-button').addEventListener('click', () => {
    if ($('commands-menu').hidden) openMenu();
    else closeMenu();
  });
  $('commands-button').addEventListener('keydown', (event) => {
    if (event.key === 'ArrowDown' || event.key === 'ArrowUp') {
      event.preventDefault();
      openMenu(event.key === 'ArrowUp');
    }
  });
  document.addEventListener('keydown', keys);
  document.addEventListener('click', (event) => {
    if (!$('commands-menu').hidden && !event.target.closest('.menu')) closeMenu(false);
  });
  loadScene(true).catch((e) => say(e.message, true));
  followFrames();
}

start();
