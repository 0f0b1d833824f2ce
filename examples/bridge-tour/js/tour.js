// Bridge Tour: talks to the host through the page library, Zeb, which wraps the object the host
// adds to every page. Zeb undoes its signal connections before the page goes away.
(function () {
    'use strict';

    const MaxEvents = 50;
    const byId = (id) => document.getElementById(id);

    function note(text) {
        const list = byId('events');
        const item = document.createElement('li');
        item.textContent = new Date().toLocaleTimeString() + '  ' + text;
        list.insertBefore(item, list.firstChild);
        while (list.children.length > MaxEvents)
            list.removeChild(list.lastChild);
    }

    if (!window.Zeb)
        return;
    const bridge = Zeb.bridge;

    function showStatus() {
        const text = bridge.readyStatusText();
        byId('status').textContent = bridge.readyStatus() + (text ? ' (' + text + ')' : '');
    }

    function showActive(active) {
        byId('active').textContent = active ? 'active' : 'inactive';
    }

    function sayHello() {
        Zeb.output.warn('Hello from ' + bridge.windowTitle());
        note('said hello');
    }

    function writeLog() {
        const severity = Number(byId('severity').value);
        bridge.log(byId('logText').value, severity);
        note('log entry, severity ' + severity);
    }

    document.body.className = 'theme-' + bridge.theme();
    byId('versions').textContent = 'API ' + bridge.apiVersion() + ' \u00b7 plug-in ' + bridge.pluginVersion();
    byId('theme').textContent = bridge.theme();
    byId('extras').textContent = bridge.isFeatureEnabled('extras') ? 'on' : 'off';
    showActive(bridge.windowActive());
    bridge.bind('windowActive', (active) => {
        showActive(active);
        note(active ? 'window activated' : 'window deactivated');
    });

    byId('title').value = bridge.windowTitle();
    byId('desc').value = bridge.documentDesc();
    byId('setTitle').addEventListener('click', () => {
        bridge.windowTitle(byId('title').value);
        note('title: ' + bridge.windowTitle());
    });
    byId('setDesc').addEventListener('click', () => {
        bridge.documentDesc(byId('desc').value);
        note('description: ' + bridge.documentDesc());
    });

    const statusShown = {
        initializing: (text) => bridge.showLoadingStatus(text),
        ready: (text) => bridge.showReadyStatus(text),
        error: (text) => bridge.showErrorStatus(text),
        noStatus: () => bridge.hideStatus()
    };
    Array.prototype.forEach.call(byId('statusButtons').querySelectorAll('button'), (button) => {
        button.addEventListener('click', () => {
            statusShown[button.dataset.status](byId('statusText').value);
            showStatus();
        });
    });

    // The page's own actions (declared in plugin.spec); the host's built-in ones join the menus
    // by name.
    const actions = Zeb.actions;
    if (actions.greet)
        actions.greet.bind('activated', sayHello);
    if (actions.compact) {
        actions.compact.bind('activated', (action, checked) => {
            document.body.classList.toggle('compact', checked);
            note('compact layout ' + (checked ? 'on' : 'off'));
        });
    }
    if (actions.writelog)
        actions.writelog.bind('activated', writeLog);

    bridge.mainMenuActions(['greet', 'writelog', '-', 'compact', '-', 'refresh']);
    bridge.contextMenuActions(['greet', '-', 'copy', 'selectAll', '-', 'refresh']);
    byId('mainMenu').textContent = bridge.mainMenuActions().join(', ');
    byId('contextMenu').textContent = bridge.contextMenuActions().join(', ');

    byId('log').addEventListener('click', writeLog);
    byId('output').addEventListener('click', () => {
        Zeb.output.warn(byId('logText').value);
        note('Plugin Output line');
    });

    Zeb.symbolLinking.bind('activated', (symbol) => {
        byId('linked').textContent = symbol;
        note('linked symbol ' + symbol);
    });
    byId('link').addEventListener('click', () => {
        const symbol = bridge.translateSymbol(byId('symbol').value);
        Zeb.symbolLinking.activate(symbol);
        note('sent symbol ' + symbol);
    });

    // Properties: Zeb has one member per group of plugin.spec "objects", each property with its
    // value; `changed` arrives whoever changed it (the dialog, undo, a theme switch, this page).
    const table = byId('properties');
    Object.keys(Zeb).filter((name) => Zeb[name] instanceof Zeb.Object).sort().forEach((groupName) => {
        const group = Zeb[groupName];
        group.properties().forEach((propertyName) => {
            const property = group[propertyName];
            const name = groupName + '.' + propertyName;
            const row = table.insertRow();
            row.insertCell().textContent = name;
            const cell = row.insertCell();
            const secret = name === 'account.apiToken';
            const show = () => {
                const value = property.value();
                cell.textContent = secret ? (value ? '(set)' : '(empty)') : JSON.stringify(value);
            };
            show();
            property.bind('changed', () => {
                show();
                note('changed ' + name);
            });
        });
    });
    const display = Zeb.display;
    byId('greeting').value = display.greeting.value();
    byId('setGreeting').addEventListener('click', () => {
        display.greeting.setValue(byId('greeting').value, true);
    });
    byId('bumpRefresh').addEventListener('click', () => {
        display.refreshSeconds.setValue(display.refreshSeconds.value() + 1);
    });

    Zeb.output.warn('Bridge Tour ' + bridge.pluginVersion() + ' started, API ' + bridge.apiVersion());
    bridge.showReadyStatus('Ready');
    showStatus();
    note('ready');
}());
