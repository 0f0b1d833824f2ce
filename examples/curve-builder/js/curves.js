// Curve Builder: one curve per accepted chain, the last price of each member in order of
// expiration, drawn relative to the front member. Adding and removing go through the
// manifest's commands, so the host's Edit menu undoes and redoes them. Requests, commands and
// the header's insert-symbol button go through the page library, Zeb.
(function () {
    'use strict';

    const MaxMembers = 24;
    const DefaultSymbol = 'CL#';
    const Colors = ['#ffb300', '#26a69a', '#ef5350', '#42a5f5', '#ab47bc', '#8d6e63'];
    const Margin = { left: 48, right: 16, top: 16, bottom: 28 };
    // The host's texts for the data service's error codes; chain failures carry the code only.
    const ErrorTexts = {
        1: 'Unknown symbol',
        2: 'Invalid request',
        3: 'Not entitled to the requested data',
        4: 'Data not available',
        5: 'Data service unavailable',
        6: 'Request timed out',
        7: 'Internal error of the data service'
    };

    const byId = (id) => document.getElementById(id);
    // "SYMBOL@YYYY-MM-DD" -> {value, color, members, prices, chainRid, quotes}
    const curves = new Map();
    // A chain answers in parts until it is stopped, and Zeb's chain request ends at the first
    // part: chains are started with startChain and their answers picked from the datafeed's
    // responses by rid.
    const chainAnswers = new Map();
    let nextColor = 0;
    let paintPending = false;

    // What a "fail" answer says, for the user.
    function errorText(answer) {
        const error = answer.error || {};
        return error.errorMessage || ErrorTexts[error.errorCode]
            || 'Error ' + (error.errorCode === undefined ? '(no code)' : error.errorCode);
    }

    function onResponse(answer) {
        const callback = chainAnswers.get(String(answer.request.rid));
        if (callback)
            callback(answer);
    }

    function stopChain(rid) {
        if (rid !== null && chainAnswers.delete(String(rid)))
            Zeb.datafeed.stop(rid);
    }

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

    function quoteMember(curve, member) {
        try {
            curve.quotes.push(Zeb.datafeed.requestQuote(member, ['Last'], true).progress((quote) => {
                if (quote.data.Last !== undefined) {
                    curve.prices.set(member, quote.data.Last);
                    schedulePaint();
                }
            }));
        } catch (error) {
            showMessage('Quote of ' + member + ': the request was refused (see Plugin Output)', true);
        }
    }

    function onChain(curve, answer) {
        if (answer.result === 'fail') {
            stopChain(curve.chainRid);
            curve.chainRid = null;
            showMessage('Chain of ' + curve.value.symbol + ': ' + errorText(answer), true);
            return;
        }
        if (answer.result !== 'ok')
            return;
        (answer.added || []).slice(0, MaxMembers - curve.members.length).forEach((member) => {
            curve.members.push(member);
            quoteMember(curve, member);
        });
        schedulePaint();
    }

    function addCurve(value) {
        const key = keyOf(value);
        if (curves.has(key))
            return;
        const curve = { value: value, color: Colors[nextColor++ % Colors.length], members: [],
                        prices: new Map(), chainRid: null, quotes: [] };
        curves.set(key, curve);
        const day = value.date.split('-').map(Number);
        try {
            curve.chainRid = Zeb.datafeed.startChain(value.symbol, new Date(day[0], day[1] - 1, day[2]), true);
            chainAnswers.set(String(curve.chainRid), (answer) => onChain(curve, answer));
            showMessage('', false);
        } catch (error) {
            showMessage('Chain of ' + value.symbol + ': the request was refused (see Plugin Output)', true);
        }
        renderList();
        schedulePaint();
    }

    function removeCurve(value) {
        const curve = curves.get(keyOf(value));
        if (!curve)
            return;
        stopChain(curve.chainRid);
        curve.quotes.forEach((quote) => quote.stop());
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
            remove.addEventListener('click', () => Zeb.commands.removeCurve.activate(curve.value));
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

    if (!window.Zeb) {
        showMessage('Open this page in the host: it needs the host\'s market data', true);
        return;
    }
    document.body.className = 'theme-' + Zeb.bridge.theme();
    Zeb.bridge.mainMenuActions(['refresh']);
    Zeb.datafeed.bind('response', onResponse);

    // The commands replay adding and removing; the page changes its curves only here.
    const add = Zeb.commands.addCurve;
    const remove = Zeb.commands.removeCurve;
    add.bind('redo', (command, value) => addCurve(value));
    add.bind('undo', (command, value) => removeCurve(value));
    remove.bind('redo', (command, value) => removeCurve(value));
    remove.bind('undo', (command, value) => addCurve(value));

    const insert = Zeb.header.insert;
    if (insert) {
        const showDialog = () => insert.showDialog();
        byId('add').addEventListener('click', showDialog);
        // The header button's click: Zeb wraps only the dialog's signals of this control, so the
        // button's native signal is added as an event the same way.
        insert._signal('activated');
        insert.bind('activated', showDialog);
        insert.bind('symbolAccepted', () => {
            add.activate({ symbol: insert.symbol(), date: dateText(insert.date()) });
        });
    } else {
        byId('add').disabled = true;
    }
    window.addEventListener('resize', schedulePaint);

    // The window starts with one curve, outside the undo history.
    let symbol = DefaultSymbol;
    Zeb.bridge.takeCreationContext((context) => {
        if (context.containsSymbol())
            symbol = context.symbol;
    });
    addCurve({ symbol: symbol, date: dateText(new Date()) });
    Zeb.bridge.showReadyStatus('Ready');
}());
