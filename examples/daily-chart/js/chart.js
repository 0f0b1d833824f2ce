// Daily Chart: the daily bars of one symbol. Per symbol: "symbolinfo" for the formatter id,
// "history" (realtime, so the last bar follows the market) and a "quote" for the heading;
// all three stop when the symbol changes. Linked windows set the symbol and follow it.
// Requests, header controls and actions go through the page library, Zeb.
(function () {
    'use strict';

    const DefaultSymbol = 'ACME.QB';
    const MinCount = 2;
    const MaxCount = 5000;
    const PaintDelay = 16;
    const QuoteFields = ['Description', 'Last', 'NetChange', 'PctChange'];

    // The host's texts for the data service's error codes; history failures carry the code only.
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
    const state = {
        symbol: '',
        formatterId: '',
        bars: [],
        hover: null,
        showVolume: true,
        quoteValues: {},
        info: null,
        history: null,
        quote: null,
        errors: []
    };
    let painter = null;
    let paintTimer = null;

    const formatter = () => Zeb.formatter;

    // What a "fail" answer says, for the user.
    function errorText(answer) {
        const error = answer.error || {};
        return error.errorMessage || ErrorTexts[error.errorCode]
            || 'Error ' + (error.errorCode === undefined ? '(no code)' : error.errorCode);
    }

    function stopRequest(request) {
        if (request)
            request.stop();
        return null;
    }

    function price(value) {
        return state.formatterId ? formatter().formatPrice(value, state.formatterId)
                                 : formatter().formatNumber(value, 2);
    }

    // A bar's day as the host formats dates: noon of that day in local time stays on that day
    // whether it is read in local time or in UTC.
    function date(time) {
        return formatter().formatDate(new Date(time.getUTCFullYear(), time.getUTCMonth(), time.getUTCDate(), 12));
    }

    function volume(value) {
        if (value >= 1e9)
            return formatter().formatNumber(value / 1e9, 1) + 'B';
        if (value >= 1e6)
            return formatter().formatNumber(value / 1e6, 1) + 'M';
        if (value >= 1e3)
            return formatter().formatNumber(value / 1e3, 1) + 'K';
        return formatter().formatVolume(value);
    }

    function signed(text, value) {
        return (value > 0 ? '+' : '') + text;
    }

    function showMessage(text, isError) {
        const element = byId('message');
        element.textContent = text;
        element.className = 'message' + (isError ? ' error' : '');
        element.hidden = !text;
    }

    // Shows a failure of one of the symbol's requests; the window's status says it too.
    function fail(what, text) {
        const line = what + ': ' + text;
        if (state.errors.indexOf(line) < 0)
            state.errors.push(line);
        showMessage('Cannot show ' + state.symbol + '\n' + state.errors.join('\n'), true);
        Zeb.bridge.showErrorStatus(text);
    }

    function paint() {
        paintTimer = null;
        const hovered = painter.paint({
            bars: state.bars,
            showVolume: state.showVolume,
            hover: state.hover,
            price: price,
            volume: volume,
            date: date
        });
        showLegend(hovered >= 0 ? hovered : state.bars.length - 1);
    }

    function schedulePaint() {
        if (painter && paintTimer === null)
            paintTimer = setTimeout(paint, PaintDelay);
    }

    function showLegend(index) {
        const legend = byId('legend');
        if (index < 0) {
            legend.textContent = '';
            return;
        }
        const bar = state.bars[index];
        const previous = index > 0 ? state.bars[index - 1].close : bar.open;
        const change = bar.close - previous;
        const parts = [
            ['', date(bar.time)],
            ['O', price(bar.open)],
            ['H', price(bar.high)],
            ['L', price(bar.low)],
            ['C', price(bar.close)],
            ['V', formatter().formatVolume(bar.volume)]
        ];
        legend.innerHTML = '';
        parts.forEach(([name, value]) => {
            const item = document.createElement('span');
            if (name) {
                const label = document.createElement('i');
                label.textContent = name + ' ';
                item.appendChild(label);
            }
            item.appendChild(document.createTextNode(value));
            legend.appendChild(item);
        });
        const changeItem = document.createElement('span');
        changeItem.className = change > 0 ? 'up' : change < 0 ? 'down' : '';
        changeItem.textContent = signed(price(change), change)
            + ' (' + signed(formatter().formatNumber(previous ? change * 100 / previous : 0, 2), change) + '%)';
        legend.appendChild(changeItem);
    }

    // Bars arrive as the whole range, then, for a realtime request, as single bars that
    // replace a day already shown or add a new one.
    function mergeBars(bars) {
        bars.forEach((incoming) => {
            const bar = { time: incoming.time, open: incoming.open, high: incoming.high,
                          low: incoming.low, close: incoming.close, volume: incoming.volume };
            const time = bar.time.getTime();
            let i = state.bars.length - 1;
            while (i >= 0 && state.bars[i].time.getTime() > time)
                --i;
            if (i >= 0 && state.bars[i].time.getTime() === time)
                state.bars[i] = bar;
            else
                state.bars.splice(i + 1, 0, bar);
        });
    }

    function onBars(bars) {
        mergeBars(bars);
        if (state.errors.length === 0) {
            showMessage(state.bars.length === 0 ? 'No daily bars of ' + state.symbol + ' in this range' : '', false);
            Zeb.bridge.showReadyStatus(state.symbol);
        }
        schedulePaint();
    }

    function onQuote(data) {
        Object.keys(data).forEach((field) => { state.quoteValues[field] = data[field]; });
        showQuote(state.quoteValues);
    }

    // Shows the quote's fields received so far.
    function showQuote(data) {
        if (data.Description !== undefined && byId('description').textContent !== data.Description) {
            byId('description').textContent = data.Description;
            Zeb.bridge.documentDesc(state.symbol + ' \u00b7 ' + data.Description);
        }
        if (data.Last !== undefined)
            byId('last').textContent = price(data.Last);
        if (data.NetChange !== undefined && data.PctChange !== undefined) {
            const change = byId('change');
            change.textContent = signed(price(data.NetChange), data.NetChange) + ' ('
                + signed(formatter().formatNumber(data.PctChange, 2), data.PctChange) + '%)';
            change.className = data.NetChange > 0 ? 'up' : data.NetChange < 0 ? 'down' : '';
        }
    }

    // The "history" request of the range chosen above the chart, without "rid"; null, with the
    // reason shown, when the range is not valid.
    function historyRequest() {
        const request = { type: 'history', symbol: state.symbol, endDate: new Date(), realtime: true };
        if (byId('mode').value === 'count') {
            const count = Number(byId('count').value);
            if (!(count >= MinCount && count <= MaxCount && Math.floor(count) === count)) {
                showMessage('The number of bars must be a whole number from ' + MinCount + ' to ' + MaxCount, true);
                return null;
            }
            request.itemsCount = count;
            return request;
        }
        const text = byId('start').value.trim();
        const match = /^(\d{4})-(\d{2})-(\d{2})$/.exec(text);
        const start = match ? new Date(Date.UTC(Number(match[1]), Number(match[2]) - 1, Number(match[3]))) : null;
        if (!start || start.getUTCDate() !== Number(match[3]) || start > request.endDate) {
            showMessage('The first day must be a past date written YYYY-MM-DD', true);
            return null;
        }
        request.startDate = start;
        return request;
    }

    // Zeb's history request neither keeps the request open ("realtime") nor takes a first day,
    // so the chart sends its own map under an id from Zeb.datafeed and picks its answers from
    // the datafeed's responses.
    function onResponse(answer) {
        if (state.history === null || String(answer.request.rid) !== String(state.history))
            return;
        if (answer.result === 'fail') {
            stopHistory();
            fail('bars', errorText(answer));
        } else if (answer.result === 'ok') {
            onBars(answer.bars);
        }
    }

    function stopHistory() {
        if (state.history !== null)
            Zeb.datafeed.stop(state.history);
        state.history = null;
    }

    function startHistory() {
        stopHistory();
        state.bars = [];
        state.errors = [];
        schedulePaint();
        const request = historyRequest();
        if (!request)
            return;
        request.rid = Zeb.datafeed.generateRid('history');
        if (!Zeb.datafeed.request(request)) {
            delete Zeb.datafeed.getActiveRids()[request.rid];
            fail('bars', 'the request was refused (see Plugin Output)');
            return;
        }
        state.history = request.rid;
        showMessage('', false);
        Zeb.bridge.showLoadingStatus('Loading ' + state.symbol);
    }

    // Shows symbol; with link, the windows linked to this one follow.
    function load(symbol, link) {
        state.info = stopRequest(state.info);
        state.quote = stopRequest(state.quote);
        state.symbol = symbol;
        state.formatterId = '';
        state.quoteValues = {};
        byId('symbol').value = symbol;
        const symbolEdit = Zeb.header.symbol;
        if (symbolEdit)
            symbolEdit.value(symbol);
        ['description', 'last', 'change'].forEach((id) => { byId(id).textContent = ''; });
        Zeb.bridge.documentDesc(symbol);
        startHistory();
        try {
            // Realtime: each "ok" answer brings the information; "restart" ends the request.
            state.info = Zeb.datafeed.requestSymbolInfo(symbol, true)
                .progress((answer) => {
                    state.formatterId = answer.data.formatterId;
                    showQuote(state.quoteValues);
                    schedulePaint();
                })
                .fail((answer) => fail('symbol information', errorText(answer)));
        } catch (error) {
            fail('symbol information', 'the request was refused (see Plugin Output)');
        }
        try {
            state.quote = Zeb.datafeed.requestQuote(symbol, QuoteFields, true)
                .progress((answer) => onQuote(answer.data))
                .fail((answer) => fail('quote', errorText(answer)));
        } catch (error) {
            fail('quote', 'the request was refused (see Plugin Output)');
        }
        if (link)
            Zeb.symbolLinking.activate(symbol);
        // The host shows the window's symbol and offers it in its context menu.
        Zeb.bridge.notifyContextChanged();
    }

    function onSubmit(event) {
        event.preventDefault();
        const symbol = Zeb.bridge.translateSymbol(byId('symbol').value.trim().toUpperCase());
        if (!symbol) {
            showMessage('Type a symbol', true);
            return;
        }
        if (symbol === state.symbol)
            startHistory();
        else
            load(symbol, true);
    }

    function showMode() {
        const byCount = byId('mode').value === 'count';
        byId('count').hidden = !byCount;
        byId('start').hidden = byCount;
    }

    // Trading days of each period of the header's combo box.
    const periodBars = { '1 month': 21, '3 months': 63, '6 months': 126, '1 year': 252,
                         '5 years': 1260, '10 years': 2520 };

    // The header's controls (plugin.spec "header"): the symbol edit answers Enter, the period
    // box a choice.
    function connectHeader() {
        const symbolEdit = Zeb.header.symbol;
        if (symbolEdit) {
            symbolEdit.bind('activated', () => {
                const symbol = Zeb.bridge.translateSymbol(symbolEdit.value().trim().toUpperCase());
                if (symbol && symbol !== state.symbol)
                    load(symbol, true);
            });
        }
        const period = Zeb.header.period;
        if (period) {
            period.value('6 months');
            period.bind('activated', () => {
                const bars = periodBars[period.value()];
                if (!bars)
                    return;
                byId('mode').value = 'count';
                byId('count').value = bars;
                showMode();
                startHistory();
            });
        }
    }

    function initialSymbol() {
        let symbol = DefaultSymbol;
        Zeb.bridge.takeCreationContext((context) => {
            if (context.containsSymbol())
                symbol = Zeb.bridge.translateSymbol(context.symbol);
        });
        return symbol;
    }

    if (!window.Zeb) {
        showMessage('Open this page in the host: it needs the host\'s market data', true);
        return;
    }
    document.body.className = 'theme-' + Zeb.bridge.theme();
    painter = new ChartPainter(byId('chart'), Zeb.bridge.theme());

    const volumeAction = Zeb.actions.volume;
    if (volumeAction) {
        volumeAction.checked(state.showVolume);
        volumeAction.bind('activated', (action, checked) => {
            state.showVolume = checked;
            schedulePaint();
        });
    }
    Zeb.bridge.mainMenuActions(['volume', '-', 'refresh']);
    Zeb.bridge.contextMenuActions(['volume', '-', 'copy', '-', 'refresh']);
    Zeb.formatter.bind('settingsChanged', () => {
        showQuote(state.quoteValues);
        schedulePaint();
    });
    Zeb.datafeed.bind('response', onResponse);
    Zeb.symbolLinking.bind('activated', (symbol) => load(symbol, false));
    Zeb.bridge.bind('initContextData', (context) => { context.symbol = state.symbol; });
    const chart = byId('chart');
    chart.addEventListener('mousemove', (event) => {
        const box = chart.getBoundingClientRect();
        state.hover = { x: event.clientX - box.left, y: event.clientY - box.top };
        schedulePaint();
    });
    chart.addEventListener('mouseleave', () => {
        state.hover = null;
        schedulePaint();
    });
    window.addEventListener('resize', schedulePaint);
    byId('controls').addEventListener('submit', onSubmit);
    byId('mode').addEventListener('change', () => {
        showMode();
        if (byId('mode').value === 'start' && !byId('start').value) {
            const year = new Date();
            year.setFullYear(year.getFullYear() - 1);
            byId('start').value = year.toISOString().slice(0, 10);
        }
    });
    showMode();
    connectHeader();
    load(initialSymbol(), false);
}());
