// The studio's page. Everything it shows comes from the server: the scene's
// objects and filters, the panels the modules described (drawn by one
// renderer for "LWXPanel" panels and one for "LWPanelServices" dialogs,
// whatever the server), and the frame as raw pixels.
'use strict';

const $ = (id) => document.getElementById(id);

const state = {
  scene: null,
  use: null,        // the shader or filter whose panel is open
  panel: null,      // its description as last received
  tab: {},          // the page shown on each tab set, by tabs id
  version: 0,       // the newest frame drawn
  frame: null,      // what the newest frame was: {version, width, height, full, ...}
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
  const options = body === undefined ? {} : {
    method: 'POST',
    headers: {'Content-Type': 'application/json'},
    body: JSON.stringify(body),
  };
  const response = await fetch(path, options);
  const answer = await response.json().catch(() => ({}));
  if (!response.ok) throw new RequestError(response.status, answer);
  return answer;
}

function say(text) {
  $('message').textContent = text;
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

// ---- the scene -------------------------------------------------------------

async function loadScene() {
  const scene = await call('/api/scene');
  state.scene = scene;
  $('scene-name').textContent = scene.scene;
  document.title = `minihost studio: ${scene.scene}`;
  drawObjects(scene);
  drawFilters(scene);
  drawCommandsMenu(scene);
  const slider = $('frame');
  slider.min = scene.firstFrame;
  slider.max = scene.lastFrame;
  slider.value = scene.frame;
  $('frame-number').textContent = scene.frame;
  $('frame-label').hidden = scene.firstFrame === scene.lastFrame;
  for (const radio of document.querySelectorAll('input[name="view"]')) radio.checked = radio.value === scene.view;
  const canvas = $('frame-canvas');
  canvas.style.width = '';
  canvas.dataset.fullWidth = scene.width;
  canvas.dataset.fullHeight = scene.height;
  sizeCanvas();
}

function markCurrent() {
  for (const e of document.querySelectorAll('[data-use]'))
    e.classList.toggle('current', Number(e.dataset.use) === state.use);
}

function drawObjects(scene) {
  const list = $('objects');
  list.replaceChildren();
  for (const object of scene.objects) {
    const li = make('li');
    const label = make('label', 'item plain');
    const tick = make('input');
    tick.type = 'checkbox';
    tick.checked = object.selected;
    tick.dataset.object = object.name;
    tick.addEventListener('change', selectObjects);
    label.append(tick, ' ', object.name);
    li.append(label);
    const surfaces = make('ul');
    for (const surface of object.surfaces) {
      const shader = surface.shaders.find((s) => s.panel) || surface.shaders[0];
      const row = make('li');
      const item = make('span', shader && shader.panel ? 'item' : 'item plain', surface.name);
      item.dataset.surface = `${object.name}/${surface.name}`;
      if (shader) {
        item.append(make('span', 'kind', shader.server.split(':').pop()));
        if (shader.panel) {
          item.dataset.use = shader.id;
          item.addEventListener('click', () => openPanel(shader.id));
        }
      }
      row.append(item);
      surfaces.append(row);
    }
    li.append(surfaces);
    list.append(li);
  }
  markCurrent();
}

function drawFilters(scene) {
  const list = $('filters');
  list.replaceChildren();
  if (scene.filters.length === 0) list.append(make('li', 'item plain', 'none'));
  for (const filter of scene.filters) {
    const item = make('span', filter.panel ? 'item' : 'item plain', filter.server);
    item.append(make('span', 'kind', filter.kind));
    item.dataset.filter = filter.server;
    if (filter.panel) {
      item.dataset.use = filter.id;
      item.addEventListener('click', () => openPanel(filter.id));
    }
    const li = make('li');
    li.append(item);
    list.append(li);
  }
  markCurrent();
}

async function selectObjects() {
  const names = [...document.querySelectorAll('#objects input[data-object]')]
    .filter((t) => t.checked).map((t) => t.dataset.object);
  try {
    await call('/api/select', {objects: names});
    say(names.length ? `selected: ${names.join(', ')}` : 'nothing selected');
  } catch (e) {
    say(e.message);
  }
}

// ---- panels ----------------------------------------------------------------

async function openPanel(use) {
  try {
    const panel = await call(`/api/panel?use=${use}`);
    if (panel.kind === 'dialog') {
      showDialog(panel, (values) => call('/api/dialog', {use, values}).then(() => say(`${panel.server}: confirmed`)));
      return;
    }
    state.use = use;
    markCurrent();
    drawPanel(panel);
  } catch (e) {
    say(e.message);
  }
}

function drawPanel(panel) {
  state.panel = panel;
  const pane = $('panel-pane');
  pane.replaceChildren();
  if (panel.kind !== 'xpanel') {
    pane.append(make('p', 'hint', `${panel.server} has no panel.`));
    return;
  }
  pane.append(make('p', 'panel-title', panel.title), make('p', 'panel-server', panel.server));
  new XPanelView(panel, pane).draw();
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
    const pages = make('div');
    const current = state.tab[tabs.id] ?? tabs.pages[0];
    for (const page of tabs.pages) {
      const group = this.groups.get(page);
      const button = make('button', page === current ? 'current' : '', group && group.label ? group.label : `page ${page}`);
      button.type = 'button';
      button.addEventListener('click', () => {
        state.tab[tabs.id] = page;
        drawPanel(state.panel);
      });
      bar.append(button);
      this.placed.add(page);
      const body = make('div');
      body.hidden = page !== current;
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
    if (group.label) box.append(make('div', 'group-label', group.label));
    this.drawMembers(group, box);
    into.append(box);
  }

  drawControl(c, into) {
    this.placed.add(c.id);
    const row = make('div', c.enabled ? 'control' : 'control disabled');
    row.dataset.control = c.id;
    row.dataset.label = plain(c.label);
    const editor = controlEditor(c, (value) => setValue(c, value), (entry) => runPopup(c, entry));
    if (c.class === 'vButton') {
      row.append(make('span', 'label'), editor);
    } else if (c.class === 'iBoolean') {
      const label = make('label', 'label');
      label.append(editor, ' ', plain(c.label));
      row.append(label);
    } else {
      row.append(make('span', 'label', plain(c.label)), editor);
    }
    if (c.animated) row.append(make('span', 'animated', 'animated: a new value replaces its keys'));
    for (const input of row.querySelectorAll('input, select, button')) input.disabled = !c.enabled;
    into.append(row);
  }
}

function hexColour(rgb) {
  const byte = (v) => Math.round(Math.min(1, Math.max(0, v)) * 255).toString(16).padStart(2, '0');
  return `#${rgb.map(byte).join('')}`;
}

function coloursOf(hex) {
  return [1, 3, 5].map((i) => parseInt(hex.slice(i, i + 2), 16) / 255);
}

// The editor of one control by its class. Values go to the server as they
// are stored: fractions for percentages, radians for angles.
function controlEditor(c, set, popup) {
  const numberInput = (shown, toStored, step) => {
    const input = make('input');
    input.type = 'number';
    input.step = step;
    if (shown !== null) input.value = shown;
    input.addEventListener('change', () => {
      if (input.value.trim() !== '' && Number.isFinite(Number(input.value))) set(toStored(Number(input.value)));
    });
    return input;
  };
  const round = (v) => Number(v.toPrecision(10));
  switch (c.class) {
    case 'color-env': {
      const input = make('input');
      input.type = 'color';
      if (Array.isArray(c.value)) input.value = hexColour(c.value);
      input.addEventListener('change', () => set(coloursOf(input.value)));
      return input;
    }
    case 'percent':
    case 'percent-env': {
      const span = make('span');
      span.append(numberInput(c.value === null ? null : round(c.value * 100), (v) => v / 100, 'any'), make('span', 'unit', ' %'));
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
      input.checked = !!c.value;
      input.addEventListener('change', () => set(input.checked));
      return input;
    }
    case 'iPopChoice': {
      const select = make('select');
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
      button.addEventListener('click', () => pressButton(c));
      return button;
    }
    case 'vPopCmd': {
      const select = make('select');
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

async function panelCall(path, body) {
  try {
    const answer = await call(path, body);
    drawPanel(answer);
    return answer;
  } catch (e) {
    say(e.message);
    if (state.use !== null) openPanel(state.use);  // show the values as they are
    return null;
  }
}

function setValue(c, value) {
  return panelCall('/api/panel/set', {use: state.use, control: c.id, value});
}

function pressButton(c) {
  return panelCall('/api/panel/press', {use: state.use, control: c.id});
}

// A pop-up command; when it asks for a file, the page asks the user and runs
// it again with the answer.
async function runPopup(c, entry) {
  const use = state.use;
  let answer;
  try {
    answer = await call('/api/panel/popup', {use, control: c.id, entry});
  } catch (e) {
    say(e.message);
    return;
  }
  if (!answer.fileRequest) {
    drawPanel(answer);
    return;
  }
  askFile(answer.fileRequest, async (path, overwrite) => {
    const done = await call('/api/panel/popup', {use, control: c.id, entry, path, overwrite});
    if (state.use === use) drawPanel(done);
    say(`${answer.fileRequest.save ? 'saved' : 'loaded'} ${done.file}`);
  });
}

// ---- dialogs ---------------------------------------------------------------

// Shows a modal with `fill(body)` and calls `confirm()` on OK; an error from
// it stays in the modal. A 409 with {exists} asks before overwriting and
// confirms again with overwrite set.
function modal(title, fill, confirm) {
  $('modal-title').textContent = title;
  const body = $('modal-body');
  body.replaceChildren();
  $('modal-error').textContent = '';
  fill(body);
  $('modal').hidden = false;
  const form = $('modal-form');
  const close = () => {
    $('modal').hidden = true;
    form.onsubmit = null;
  };
  $('modal-cancel').onclick = close;
  let overwrite = false;
  form.onsubmit = async (event) => {
    event.preventDefault();
    try {
      await confirm(overwrite);
      close();
    } catch (e) {
      if (e.status === 409 && e.body && e.body.exists && !overwrite) {
        overwrite = true;
        $('modal-error').textContent = `${e.body.path} exists. Press OK again to overwrite it.`;
        $('modal-ok').textContent = 'Overwrite';
        return;
      }
      $('modal-error').textContent = e.message;
    }
  };
  $('modal-ok').textContent = 'OK';
  const first = body.querySelector('input, select');
  if (first) first.focus();
}

function pathField(label, value, files) {
  const row = make('div', 'control');
  const input = make('input');
  input.type = 'text';
  input.value = value || '';
  input.dataset.path = '';
  input.addEventListener('input', () => { $('modal-ok').textContent = 'OK'; });
  row.append(make('span', 'label', label), input);
  const list = make('ul', 'file-list');
  for (const f of files || []) {
    const li = make('li', '', f);
    li.addEventListener('click', () => { input.value = f; });
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

// Draws an "LWPanelServices" dialog: its controls in the order the module
// added them, with the values it set; OK sends one value per control.
function showDialog(dialog, confirm) {
  const read = [];
  modal(dialog.title, (body) => {
    for (const c of dialog.controls) {
      const row = make('div', 'control');
      row.dataset.label = plain(c.label);
      let get = () => null;
      if (c.kind === 'FloatControl') {
        const input = make('input');
        input.type = 'number';
        input.step = 'any';
        input.value = c.value;
        row.append(make('span', 'label', plain(c.label)), input);
        get = () => Number(input.value);
      } else if (c.kind === 'BoolControl') {
        const input = make('input');
        input.type = 'checkbox';
        input.checked = !!c.value;
        const label = make('label', 'label');
        label.append(input, ' ', plain(c.label));
        row.append(label);
        get = () => input.checked;
      } else if (c.kind === 'ChoiceControl') {
        const choices = make('span', 'choices');
        const name = `choice-${c.index}`;
        c.items.forEach((text, i) => {
          const label = make('label');
          const input = make('input');
          input.type = 'radio';
          input.name = name;
          input.value = i;
          input.checked = i === c.value;
          label.append(input, ' ', text);
          choices.append(label);
        });
        row.append(make('span', 'label', plain(c.label)), choices);
        get = () => Number(choices.querySelector('input:checked').value);
      } else if (c.kind === 'FileControl') {
        const field = pathField(plain(c.label), c.value, []);
        row.append(...field.row.childNodes);
        get = () => field.input.value;
      } else if (c.kind === 'AreaControl') {
        row.append(make('hr'));
      }
      read.push(get);
      body.append(row);
    }
  }, () => confirm(read.map((get) => get())));
}

function drawCommandsMenu(scene) {
  const menu = $('commands-menu');
  menu.replaceChildren();
  for (const u of scene.utilities) {
    const li = make('li', '', `${u.server} (${u.module})`);
    li.dataset.server = u.server;
    li.addEventListener('click', () => {
      menu.hidden = true;
      runUtility(u.server);
    });
    menu.append(li);
  }
  if (scene.utilities.length === 0) menu.append(make('li', '', 'none'));
}

async function runUtility(server) {
  try {
    const dialog = await call(`/api/utility?server=${encodeURIComponent(server)}`);
    showDialog(dialog, async (values) => {
      const done = await call('/api/utility', {server, values});
      say(`${server}: ${done.commands} commands, ${done.added} shaders added, ${done.removed} removed` +
        (done.notDone ? `, ${done.notDone} not done` : ''));
      await loadScene();
      if (state.use !== null) {
        if (document.querySelector(`[data-use="${state.use}"]`)) openPanel(state.use);
        else {
          state.use = null;
          $('panel-pane').replaceChildren(make('p', 'hint', 'No panel open.'));
        }
      }
    });
  } catch (e) {
    say(e.message);
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
  const oneToOne = $('zoom').checked;
  $('frame-box').classList.toggle('one-to-one', oneToOne);
  // The preview is drawn at full size too, so the frame does not jump.
  canvas.style.width = `${canvas.dataset.fullWidth || canvas.width}px`;
  canvas.style.imageRendering = oneToOne ? 'pixelated' : 'auto';
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

async function followFrames() {
  for (;;) {
    try {
      const response = await fetch(`/api/frame?since=${state.version}&wait=10000`);
      if (response.status === 200) {
        const h = (name) => response.headers.get(name);
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
        };
        const pixels = await response.arrayBuffer();
        state.version = frame.version;
        if (frame.error) {
          $('frame-status').textContent = `the render failed: ${frame.error}`;
        } else {
          drawFrame(frame, pixels);
          $('frame-status').textContent = `frame ${frame.number}, ${frame.full ? 'full size' : 'preview'} ` +
            `${frame.width} × ${frame.height}: rendered in ${frame.renderSeconds.toFixed(2)} s, ` +
            `${frame.sinceChange.toFixed(2)} s after the last change`;
        }
        state.frame = frame;
      } else if (response.status !== 204) {
        await new Promise((r) => setTimeout(r, 1000));
      }
    } catch (e) {
      $('frame-status').textContent = 'the studio does not answer';
      await new Promise((r) => setTimeout(r, 1000));
    }
  }
}

async function show() {
  const view = document.querySelector('input[name="view"]:checked').value;
  const frame = Number($('frame').value);
  $('frame-number').textContent = frame;
  try {
    await call('/api/show', {frame, view});
    if (state.use !== null && !$('panel-pane').querySelector('input:focus')) openPanel(state.use);
  } catch (e) {
    say(e.message);
  }
}

// ---- start -----------------------------------------------------------------

function start() {
  for (const radio of document.querySelectorAll('input[name="view"]')) radio.addEventListener('change', show);
  $('frame').addEventListener('change', show);
  $('frame').addEventListener('input', () => { $('frame-number').textContent = $('frame').value; });
  $('zoom').addEventListener('change', sizeCanvas);
  $('save-scene').addEventListener('click', saveScene);
  $('commands-button').addEventListener('click', () => { $('commands-menu').hidden = !$('commands-menu').hidden; });
  loadScene().catch((e) => say(e.message));
  followFrames();
}

start();
