// Curve Builder: one curve per accepted chain, the last price of each member in order of
// expiration, drawn relative to the front member. Adding and removing go through the
// manifest's commands, so the host's Edit menu undoes and redoes them.
(function () {
    'use strict';

    const MaxMembers = 24;
    const DefaultSymbol = 'CL#';
    const Colors = ['#ffb300', '#26a69a', '#ef5350', '#42a5f5', '#ab47bc', '#8d6e63'];
    const Margin = { left: 48, right: 16, top: 16, bottom: 28 };
    const bridge = Feed.bridge;
    const byId = (id) => document.getElementById(id);
    const curves = new Map();   // "SYMBOL@YYYY-MM-DD" -> {value, color, members, prices, rids}
    let nextColor = 0;
    let paintPending = false;

    function showMessage(text, isError) {
        const message = byId('message');
        message.textContent = text;
        message.className = isError ? 'message error' : 'message';
        message.hidden = !text;
    }

    function keyOf(value) {
        return value.symbol + '@' + value.date;
    }

    function dateText(date) {
        const pad = (n) => (n < 10 ? '0' : '') + n;
        return date.getFullYear() + '-' + pad(date.getMonth() + 1) + '-' + pad(date.getDate());
    }

    function command(id) {
        return bridge.commands.find((c) => c.id === id) || null;
    }

    function headerControl(id) {
        const controls = bridge.header ? bridge.header.controls : [];
        return controls.find((control) => control.objectName === id) || null;
    }

    function addCurve(value) {
        const key = keyOf(value);
        if (curves.has(key))
            return;
        const curve = { value: value, color: Colors[nextColor++ % Colors.length], members: [],
                        prices: new Map(), rids: [] };
        curves.set(key, curve);
        const day = value.date.split('-').map(Number);
        curve.rids.push(Feed.start({ type: 'chain', symbol: value.symbol, isOutright: true,
                                     date: new Date(day[0], day[1] - 1, day[2]) }, (answer) => {
            if (answer.result === 'fail') {
                showMessage('Chain of ' + value.symbol + ': ' + Feed.errorText(answer), true);
                return;
            }
            (answer.added || []).slice(0, MaxMembers - curve.members.length).forEach((member) => {
                curve.members.push(member);
                curve.rids.push(Feed.start({ type: 'quote', symbol: member, fields: ['Last'], realtime: true },
                                           (quote) => {
                    if (quote.result !== 'fail' && quote.data.Last !== undefined) {
                        curve.prices.set(member, quote.data.Last);
                        schedulePaint();
                    }
                }));
            });
            schedulePaint();
        }));
        showMessage('', false);
        renderList();
        schedulePaint();
    }

    function removeCurve(value) {
        const curve = curves.get(keyOf(value));
        if (!curve)
            return;
        curve.rids.forEach((rid) => Feed.stop(rid));
        curves.delete(keyOf(value));
        renderList();
        schedulePaint();
    }

    function renderList() {
        const list = byId('curves');
        list.textContent = '';
        curves.forEach((curve) => {
            const item = document.createElement('li');
            const swatch = document.createElement('span');
            swatch.className = 'swatch';
            swatch.style.background = curve.color;
            item.appendChild(swatch);
            item.appendChild(document.createTextNode(curve.value.symbol + ' as of ' + curve.value.date));
            const remove = document.createElement('button');
            remove.textContent = '\u00d7';
            remove.title = 'Remove this curve';
            remove.addEventListener('click', () => command('removeCurve').activate(curve.value));
            item.appendChild(remove);
            list.appendChild(item);
        });
    }

    // Each member's last price in percent of the front member's.
    function points(curve) {
        const front = curve.prices.get(curve.members[0]);
        if (!front)
            return [];
        return curve.members.map((member, index) => {
            const price = curve.prices.get(member);
            return price === undefined ? null : { index: index, change: (price / front - 1) * 100 };
        }).filter((point) => point !== null);
    }

    function svg(name, attributes, text) {
        const element = document.createElementNS('http://www.w3.org/2000/svg', name);
        Object.keys(attributes).forEach((key) => element.setAttribute(key, attributes[key]));
        if (text !== undefined)
            element.textContent = text;
        return element;
    }

    function paint() {
        paintPending = false;
        const chart = byId('chart');
        chart.textContent = '';
        const width = chart.clientWidth;
        const height = chart.clientHeight;
        const all = [];
        curves.forEach((curve) => all.push(...points(curve)));
        if (!all.length || width < 100 || height < 60)
            return;
        const low = Math.min(0, ...all.map((p) => p.change));
        const high = Math.max(0, ...all.map((p) => p.change));
        const span = high - low || 1;
        const x = (index) => Margin.left + index * (width - Margin.left - Margin.right) / (MaxMembers - 1);
        const y = (change) => Margin.top + (high - change) * (height - Margin.top - Margin.bottom) / span;
        chart.appendChild(svg('line', { class: 'axis', x1: Margin.left, x2: width - Margin.right, y1: y(0), y2: y(0) }));
        chart.appendChild(svg('text', { x: 4, y: y(high) + 4 }, high.toFixed(1) + '%'));
        chart.appendChild(svg('text', { x: 4, y: y(low) + 4 }, low.toFixed(1) + '%'));
        chart.appendChild(svg('text', { x: Margin.left, y: height - 8 }, 'front'));
        chart.appendChild(svg('text', { x: width - Margin.right - 90, y: height - 8 }, MaxMembers + ' months out'));
        curves.forEach((curve) => {
            const line = points(curve).map((p) => x(p.index).toFixed(1) + ',' + y(p.change).toFixed(1)).join(' ');
            chart.appendChild(svg('polyline', { class: 'curve', points: line, stroke: curve.color }));
        });
    }

    function schedulePaint() {
        if (paintPending)
            return;
        paintPending = true;
        window.requestAnimationFrame(paint);
    }

    if (!bridge) {
        showMessage('Open this page in the host: it needs the host\'s market data', true);
        return;
    }
    document.body.className = 'theme-' + bridge.theme;
    bridge.mainMenuActions = ['refresh'];

    // The commands replay adding and removing; the page changes its curves only here.
    const add = command('addCurve');
    const remove = command('removeCurve');
    Feed.connect(add.redo, addCurve);
    Feed.connect(add.undo, removeCurve);
    Feed.connect(remove.redo, removeCurve);
    Feed.connect(remove.undo, addCurve);

    const insert = headerControl('insert');
    if (insert) {
        const showDialog = () => insert.showDialog();
        byId('add').addEventListener('click', showDialog);
        Feed.connect(insert.activated, showDialog);
        Feed.connect(insert.symbolAccepted, () => {
            add.activate({ symbol: insert.symbol, date: dateText(insert.date) });
        });
    } else {
        byId('add').disabled = true;
    }
    window.addEventListener('resize', schedulePaint);

    // The window starts with one curve, outside the undo history.
    const context = bridge.takeCreationContext();
    const symbol = context && context.containsSymbol() ? context.symbol : DefaultSymbol;
    addCurve({ symbol: symbol, date: dateText(new Date()) });
    Feed.status('ready', 'Ready');
}());
