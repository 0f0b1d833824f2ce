// Quote Board: live quotes of a list of symbols. Each row asks "symbolinfo" for the symbol's
// formatter id, then subscribes to a realtime "quote" of the board's fields; removing the row
// stops both requests. Requests go through the page library's Zeb.datafeed.
(function () {
    'use strict';

    const DefaultSymbols = ['ACME.QB', 'NRTH.N', 'GLBX', 'QIX', 'EURUSD', 'CL#', 'GC#', 'CLZ27'];
    const FlashMilliseconds = 500;
    const ListTitle = 'Quote Board';

    // The columns after "Symbol", in table order: the quote field, how its value is shown,
    // whether a change flashes the cell, and the class that narrow windows hide.
    const Columns = [
        { field: 'Description', kind: 'text', css: 'description' },
        { field: 'Last', kind: 'price', flash: true },
        { field: 'NetChange', kind: 'change' },
        { field: 'PctChange', kind: 'percent' },
        { field: 'Bid', kind: 'price', flash: true },
        { field: 'Ask', kind: 'price', flash: true },
        { field: 'BidSize', kind: 'volume', css: 'size' },
        { field: 'AskSize', kind: 'volume', css: 'size' },
        { field: 'Volume', kind: 'volume' },
        { field: 'Open', kind: 'price', css: 'open' },
        { field: 'High', kind: 'price' },
        { field: 'Low', kind: 'price' },
        { field: 'TradeTime', kind: 'time', css: 'time' }
    ];
    const Fields = Columns.map((column) => column.field);

    // The host's texts for the data service's error codes.
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
    const rows = [];
    let selected = null;
    let removeAction = null;

    // What a "fail" answer says, for the user.
    function errorText(answer) {
        const error = answer.error || {};
        return error.errorMessage || ErrorTexts[error.errorCode]
            || 'Error ' + (error.errorCode === undefined ? '(no code)' : error.errorCode);
    }

    function notice(text, isError) {
        const element = byId('notice');
        element.textContent = text;
        element.className = 'notice' + (isError ? ' error' : '');
    }

    function showStatus() {
        const failed = rows.filter((row) => row.error).length;
        if (rows.length > 0 && failed === rows.length)
            Zeb.bridge.showErrorStatus('No quotes');
        else if (rows.some((row) => row.hasData))
            Zeb.bridge.showReadyStatus(rows.length + (rows.length === 1 ? ' symbol' : ' symbols'));
        byId('empty').hidden = rows.length > 0;
    }

    // The text of a quote value; the formatter knows the symbol's tick from "symbolinfo".
    function format(row, kind, value) {
        const formatter = Zeb.formatter;
        switch (kind) {
        case 'price':
            return formatter.formatPrice(value, row.formatterId);
        case 'change':
            return (value > 0 ? '+' : '') + formatter.formatPrice(value, row.formatterId);
        case 'percent':
            return (value > 0 ? '+' : '') + formatter.formatNumber(value, 2) + '%';
        case 'volume':
            return formatter.formatVolume(value);
        case 'time': {
            // The host's date and time; the board has room for the time of day.
            const text = formatter.formatTime(value);
            return text.slice(text.indexOf(' ') + 1);
        }
        default:
            return String(value);
        }
    }

    function flash(cell, rising) {
        clearTimeout(cell.flashTimer);
        cell.classList.remove('flash-up', 'flash-down');
        cell.classList.add(rising ? 'flash-up' : 'flash-down');
        cell.flashTimer = setTimeout(() => cell.classList.remove('flash-up', 'flash-down'),
                                     FlashMilliseconds);
    }

    function showValue(row, column, value) {
        const cell = row.cells[column.field];
        const previous = row.values[column.field];
        row.values[column.field] = value;
        cell.textContent = format(row, column.kind, value);
        if (column.kind === 'time')
            cell.title = Zeb.formatter.formatTime(value);
        if (column.kind === 'change' || column.kind === 'percent') {
            cell.classList.toggle('up', value > 0);
            cell.classList.toggle('down', value < 0);
        }
        if (column.flash && typeof previous === 'number' && value !== previous)
            flash(cell, value > previous);
    }

    function showError(row, text) {
        row.error = text;
        row.element.classList.add('failed');
        row.message.textContent = text;
        row.message.hidden = false;
        Columns.forEach((column) => { row.cells[column.field].hidden = true; });
        showStatus();
    }

    function onQuote(row, data) {
        Columns.forEach((column) => {
            if (Object.prototype.hasOwnProperty.call(data, column.field))
                showValue(row, column, data[column.field]);
        });
        if (!row.hasData) {
            row.hasData = true;
            showStatus();
        }
    }

    // A "fail" answer ends the quote request; the row shows why it has no quotes.
    function startQuote(row) {
        try {
            row.quote = Zeb.datafeed.requestQuote(row.symbol, Fields, true)
                .progress((answer) => onQuote(row, answer.data))
                .fail((answer) => showError(row, errorText(answer)));
        } catch (error) {
            showError(row, 'Quote request refused (see Plugin Output)');
        }
    }

    function onSymbolInfo(row, info) {
        row.formatterId = info.formatterId;
        row.symbolCell.title = info.symbolType + ', tick ' + info.mintick;
        if (row.quote === null)
            startQuote(row);
        else
            reformat(row);
    }

    // Each "ok" answer brings the symbol's information; "restart" says it changed and ends the
    // request, so the row asks again.
    function startSymbolInfo(row) {
        try {
            row.info = Zeb.datafeed.requestSymbolInfo(row.symbol, true)
                .progress((answer) => onSymbolInfo(row, answer.data))
                .done(() => startSymbolInfo(row))
                .fail((answer) => showError(row, errorText(answer)));
        } catch (error) {
            row.info = null;
            showError(row, 'Symbol request refused (see Plugin Output)');
        }
    }

    // Shows the row's values again, after its symbol information or the host's formatting
    // changed.
    function reformat(row) {
        Columns.forEach((column) => {
            if (row.values[column.field] !== undefined)
                showValue(row, column, row.values[column.field]);
        });
    }

    function makeRow(symbol) {
        const row = { symbol: symbol, formatterId: '', values: {}, cells: {}, info: null,
                      quote: null, hasData: false, error: '' };
        row.element = document.createElement('tr');
        row.symbolCell = row.element.insertCell(-1);
        row.symbolCell.className = 'symbol';
        row.symbolCell.textContent = symbol;
        Columns.forEach((column) => {
            const cell = row.element.insertCell(-1);
            cell.className = (column.kind === 'text' ? '' : 'num ') + (column.css || '');
            row.cells[column.field] = cell;
        });
        row.message = row.element.insertCell(-1);
        row.message.colSpan = Columns.length;
        row.message.className = 'message';
        row.message.hidden = true;
        const remove = row.element.insertCell(-1);
        remove.className = 'remove';
        const button = document.createElement('button');
        button.textContent = '\u00d7';
        button.title = 'Remove ' + symbol;
        button.addEventListener('click', (event) => {
            event.stopPropagation();
            removeRow(row);
        });
        remove.appendChild(button);
        row.element.addEventListener('click', () => select(row, true));
        return row;
    }

    function addSymbol(symbol) {
        const existing = rows.find((row) => row.symbol === symbol);
        if (existing) {
            select(existing, false);
            notice(symbol + ' is already on the board', false);
            return;
        }
        const row = makeRow(symbol);
        rows.push(row);
        byId('rows').appendChild(row.element);
        startSymbolInfo(row);
        showStatus();
    }

    function removeRow(row) {
        [row.info, row.quote].forEach((request) => {
            if (request)
                request.stop();
        });
        Columns.forEach((column) => clearTimeout(row.cells[column.field].flashTimer));
        rows.splice(rows.indexOf(row), 1);
        row.element.parentNode.removeChild(row.element);
        if (selected === row)
            select(null, false);
        showStatus();
    }

    // Selects row; with link, the windows linked to this one follow its symbol.
    function select(row, link) {
        if (selected)
            selected.element.classList.remove('selected');
        selected = row;
        if (removeAction)
            removeAction.enabled(row !== null);
        if (!row)
            return;
        row.element.classList.add('selected');
        if (link)
            Zeb.symbolLinking.activate(row.symbol);
    }

    function onAdd(event) {
        event.preventDefault();
        const input = byId('symbol');
        const symbol = Zeb.bridge.translateSymbol(input.value.trim().toUpperCase());
        if (!symbol) {
            notice('Type a symbol to add', true);
            return;
        }
        notice('', false);
        input.value = '';
        addSymbol(symbol);
    }

    function onKey(event) {
        if (event.target.tagName === 'INPUT' || !selected)
            return;
        const index = rows.indexOf(selected);
        if (event.key === 'Delete')
            removeRow(selected);
        else if (event.key === 'ArrowDown' && index + 1 < rows.length)
            select(rows[index + 1], true);
        else if (event.key === 'ArrowUp' && index > 0)
            select(rows[index - 1], true);
        else
            return;
        event.preventDefault();
    }

    // The symbols the window was opened with, else the default list.
    function startSymbols() {
        let symbols = DefaultSymbols;
        Zeb.bridge.takeCreationContext((context) => {
            if (context.containsSymbolList() && context.symbolList.length > 0)
                symbols = context.symbolList;
            else if (context.containsSymbol())
                symbols = DefaultSymbols.concat([context.symbol]);
        });
        return symbols;
    }

    if (!window.Zeb) {
        notice('Open this page in the host: it needs the host\'s market data', true);
        return;
    }
    document.body.className = 'theme-' + Zeb.bridge.theme();
    Zeb.bridge.showLoadingStatus('Loading quotes');

    removeAction = Zeb.actions.remove || null;
    if (removeAction) {
        removeAction.enabled(false);
        removeAction.bind('activated', () => {
            if (selected)
                removeRow(selected);
        });
    }
    Zeb.bridge.mainMenuActions(['remove', '-', 'refresh']);
    Zeb.bridge.contextMenuActions(['remove', '-', 'copy', 'selectAll', '-', 'refresh']);

    Zeb.formatter.bind('settingsChanged', () => rows.forEach(reformat));
    Zeb.symbolLinking.bind('activated', (symbol) => {
        select(rows.find((row) => row.symbol === symbol) || null, false);
    });
    Zeb.bridge.bind('initContextData', (context) => {
        if (selected)
            context.symbol = selected.symbol;
        context.symbolList = rows.map((row) => row.symbol);
        context.symbolListTitle = ListTitle;
    });

    byId('add').addEventListener('submit', onAdd);
    document.addEventListener('keydown', onKey);
    startSymbols().forEach((symbol) => addSymbol(Zeb.bridge.translateSymbol(symbol)));
}());
