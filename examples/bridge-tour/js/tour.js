// Bridge Tour: talks to the host through the object it adds to every page, _quorvex_bridge.
(function () {
    'use strict';

    const MaxEvents = 50;
    const bridge = window._quorvex_bridge;
    const byId = (id) => document.getElementById(id);

    // Signals of host objects stay connected across page loads; every connection is undone
    // before the page goes away, so the host never calls into a dead page.
    const connections = [];
    function connect(signal, callback) {
        signal.connect(callback);
        connections.push([signal, callback]);
    }
    window.addEventListener('beforeunload', () => {
        connections.forEach(([signal, callback]) => signal.disconnect(callback));
        connections.length = 0;
    });

    function note(text) {
        const list = byId('events');
        const item = document.createElement('li');
        item.textContent = new Date().toLocaleTimeString() + '  ' + text;
        list.insertBefore(item, list.firstChild);
        while (list.children.length > MaxEvents)
            list.removeChild(list.lastChild);
    }

    if (!bridge)
        return;

    // The page's own actions (declared in plugin.spec) and the host's built-in ones.
    function action(name) {
        return bridge.actions.find((a) => a.objectName === name) || null;
    }

    function showStatus() {
        byId('status').textContent = bridge.readyStatus + (bridge.readyStatusText ? ' (' + bridge.readyStatusText + ')' : '');
    }

    function showActive(active) {
        byId('active').textContent = active ? 'active' : 'inactive';
    }

    function sayHello() {
        bridge.outScriptWarn('Hello from ' + bridge.windowTitle);
        note('said hello');
    }

    function writeLog() {
        const severity = Number(byId('severity').value);
        bridge.log(byId('logText').value, severity);
        note('log entry, severity ' + severity);
    }

    document.body.className = 'theme-' + bridge.theme;
    byId('versions').textContent = 'API ' + bridge.apiVersion + ' \u00b7 plug-in ' + bridge.pluginVersion;
    byId('theme').textContent = bridge.theme;
    byId('extras').textContent = bridge.isFeatureEnabled('extras') ? 'on' : 'off';
    showActive(bridge.isWindowActive);
    connect(bridge.onWindowActiveChanged, (active) => {
        showActive(active);
        note(active ? 'window activated' : 'window deactivated');
    });

    byId('title').value = bridge.windowTitle;
    byId('desc').value = bridge.documentDesc;
    byId('setTitle').addEventListener('click', () => {
        bridge.windowTitle = byId('title').value;
        note('title: ' + bridge.windowTitle);
    });
    byId('setDesc').addEventListener('click', () => {
        bridge.documentDesc = byId('desc').value;
        note('description: ' + bridge.documentDesc);
    });

    Array.prototype.forEach.call(byId('statusButtons').querySelectorAll('button'), (button) => {
        button.addEventListener('click', () => {
            bridge.readyStatus = button.dataset.status;
            bridge.readyStatusText = byId('statusText').value;
            showStatus();
        });
    });

    const greet = action('greet');
    if (greet)
        connect(greet.triggered, sayHello);
    const compact = action('compact');
    if (compact) {
        connect(compact.triggered, () => {
            document.body.classList.toggle('compact', compact.checked);
            note('compact layout ' + (compact.checked ? 'on' : 'off'));
        });
    }
    const writelog = action('writelog');
    if (writelog)
        connect(writelog.triggered, writeLog);

    bridge.mainMenuActions = ['greet', 'writelog', '-', 'compact', '-', 'refresh'];
    bridge.contextMenuActions = ['greet', '-', 'copy', 'selectAll', '-', 'refresh'];
    byId('mainMenu').textContent = bridge.mainMenuActions.join(', ');
    byId('contextMenu').textContent = bridge.contextMenuActions.join(', ');

    byId('log').addEventListener('click', writeLog);
    byId('output').addEventListener('click', () => {
        bridge.outScriptWarn(byId('logText').value);
        note('Plugin Output line');
    });

    connect(bridge.symbolLinkingChanged, (symbol) => {
        byId('linked').textContent = symbol;
        note('linked symbol ' + symbol);
    });
    byId('link').addEventListener('click', () => {
        const symbol = bridge.translateSymbol(byId('symbol').value);
        bridge.setSymbolLinking(symbol);
        note('sent symbol ' + symbol);
    });

    // Properties: every group of bridge.objects, each property with its value; `changed`
    // arrives whoever changed it (the dialog, undo, a theme switch, this page).
    const table = byId('properties');
    bridge.objects.objects.forEach((group) => {
        group.objects.forEach((property) => {
            const name = group.objectName + '.' + property.objectName;
            const row = table.insertRow();
            row.insertCell().textContent = name;
            const cell = row.insertCell();
            const secret = name === 'account.apiToken';
            const show = () => {
                const value = property.value;
                cell.textContent = secret ? (value ? '(set)' : '(empty)') : JSON.stringify(value);
            };
            show();
            connect(property.changed, () => {
                show();
                note('changed ' + name);
            });
        });
    });
    const display = bridge.objects.objects.find((group) => group.objectName === 'display');
    const property = (name) => display.objects.find((p) => p.objectName === name);
    byId('greeting').value = property('greeting').value;
    byId('setGreeting').addEventListener('click', () => {
        property('greeting').value = byId('greeting').value;
    });
    byId('bumpRefresh').addEventListener('click', () => {
        property('refreshSeconds').setValue(property('refreshSeconds').value + 1);
    });

    bridge.outScriptWarn('Bridge Tour ' + bridge.pluginVersion + ' started, API ' + bridge.apiVersion);
    bridge.readyStatus = 'ready';
    bridge.readyStatusText = 'Ready';
    showStatus();
    note('ready');
}());
