// Chain Viewer: the members of an underlying's "chain" (futures contracts of a root such as
// CL#, option series of a stock or of a contract), with live quotes of the members shown and
// the full quote of the one chosen. Changing the underlying, the series or the choice stops
// the requests that showed the old one. Requests go through the page library's Zeb.datafeed.
(function () {
    'use strict';

    const DefaultUnderlying = 'CL#';
    const MaxQuotedMembers = 120;
    const RenderDelay = 50;
    const ContractsKey = '';
    const ListFields = ['Last', 'NetChange', 'Volume'];
    const GridFields = ['Bid', 'Ask', 'Last'];
    const DetailFields = [
        ['Bid', 'Bid', 'price'], ['Ask', 'Ask', 'price'], ['BidSize', 'Bid size', 'volume'],
        ['AskSize', 'Ask size', 'volume'], ['Open', 'Open', 'price'], ['High', 'High', 'price'],
        ['Low', 'Low', 'price'], ['PrevClose', 'Previous close', 'price'], ['Volume', 'Volume', 'volume'],
        ['TradeTime', 'Last trade', 'time']
    ];

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
    const Refused = 'the request was refused (see Plugin Output)';

    const byId = (id) => document.getElementById(id);
    const formatter = () => Zeb.formatter;

    // The underlying: its chain (the rid of a running request), and its own information and
    // quote (Zeb requests) for the summary.
    const chain = { underlying: '', rid: null, info: null, quote: null, formatterId: '', last: null,
                    quoteValues: {}, errors: new Set(), symbols: [], grouped: null, view: null };
    // The members shown: symbol -> {quote, cells, values}; one "symbolinfo" formats them all, as
    // the members of one list or series share their tick.
    const shown = { members: new Map(), info: null, formatterId: '', failures: new Map() };
    const detail = { symbol: '', info: null, quote: null, formatterId: '', cells: {}, values: {} };
    let renderTimer = null;
    let outrightOnly = true;

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

    // A Zeb request, or null when the datafeed refused it; onRefused says so.
    function tryRequest(start, onRefused) {
        try {
            return start();
        } catch (error) {
            onRefused();
            return null;
        }
    }

    function price(value, formatterId) {
        return formatterId ? formatter().formatPrice(value, formatterId) : formatter().formatNumber(value, 2);
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

    function showQuoteFailures() {
        if (shown.failures.size === 0)
            return;
        const reasons = Array.from(new Set(shown.failures.values()));
        showMessage('No quotes for ' + Array.from(shown.failures.keys()).join(', ') + ': ' + reasons.join('; '), true);
    }

    // Members shown in the list or the grid.

    function stopShown() {
        shown.members.forEach((member) => stopRequest(member.quote));
        shown.members.clear();
        shown.info = stopRequest(shown.info);
        shown.formatterId = '';
        shown.failures.clear();
    }

    function showMemberQuote(member, data) {
        Object.keys(data).forEach((field) => {
            const cell = member.cells[field];
            if (!cell)
                return;
            const value = data[field];
            member.values[field] = value;
            if (field === 'Volume') {
                cell.textContent = formatter().formatVolume(value);
            } else if (field === 'NetChange') {
                cell.textContent = signed(price(value, shown.formatterId), value);
                cell.className = 'num ' + (value > 0 ? 'up' : value < 0 ? 'down' : '');
            } else {
                cell.textContent = price(value, shown.formatterId);
            }
        });
    }

    function showMemberFailure(symbol, text) {
        shown.failures.set(symbol, text);
        showQuoteFailures();
    }

    function quoteMember(symbol, fields, cells) {
        const member = { quote: null, cells: cells, values: {} };
        shown.members.set(symbol, member);
        member.quote = tryRequest(() => Zeb.datafeed.requestQuote(symbol, fields, true)
            .progress((answer) => showMemberQuote(member, answer.data))
            .fail((answer) => showMemberFailure(symbol, errorText(answer))),
        () => showMemberFailure(symbol, Refused));
    }

    function formatShownWith(symbol) {
        shown.info = tryRequest(() => Zeb.datafeed.requestSymbolInfo(symbol, true)
            .progress((answer) => {
                shown.formatterId = answer.data.formatterId;
                shown.members.forEach((member) => showMemberQuote(member, member.values));
            })
            .fail((answer) => showMemberFailure(symbol, errorText(answer))),
        () => showMemberFailure(symbol, Refused));
    }

    function cell(row, text, className) {
        const element = row.insertCell(-1);
        element.textContent = text;
        element.className = className || '';
        return element;
    }

    function renderList(members) {
        const body = byId('list').tBodies[0];
        body.innerHTML = '';
        members.forEach((member, index) => {
            const row = body.insertRow(-1);
            row.dataset.symbol = member.symbol;
            cell(row, member.symbol, 'symbol');
            cell(row, member.expiration, 'dim');
            const cells = { Last: cell(row, '', 'num'), NetChange: cell(row, '', 'num'), Volume: cell(row, '', 'num') };
            if (index < MaxQuotedMembers)
                quoteMember(member.symbol, ListFields, cells);
        });
        if (members.length > 0)
            formatShownWith(members[0].symbol);
    }

    // The bid, ask and last cells of one side of a strike; a strike without that option
    // shows a dash.
    function optionCells(row, symbol, right) {
        const cells = {};
        GridFields.forEach((field) => {
            cells[field] = cell(row, symbol ? '' : '\u2013', 'num option ' + (right === 'C' ? 'call' : 'put'));
            if (symbol)
                cells[field].dataset.symbol = symbol;
        });
        return cells;
    }

    function renderGrid(series) {
        const body = byId('grid').tBodies[0];
        body.innerHTML = '';
        let quoted = 0;
        series.rows.forEach((strikeRow) => {
            const row = body.insertRow(-1);
            row.dataset.strike = strikeRow.strike;
            const calls = optionCells(row, strikeRow.C, 'C');
            cell(row, strikeRow.strikeText, 'strike');
            const puts = optionCells(row, strikeRow.P, 'P');
            [[strikeRow.C, calls], [strikeRow.P, puts]].forEach(([symbol, cells]) => {
                if (symbol && quoted++ < MaxQuotedMembers)
                    quoteMember(symbol, GridFields, cells);
            });
        });
        const first = series.rows.length > 0 ? series.rows[0].C || series.rows[0].P : '';
        if (first)
            formatShownWith(first);
        markInTheMoney();
    }

    // Shades the options in the money at the underlying's last price.
    function markInTheMoney() {
        Array.prototype.forEach.call(byId('grid').tBodies[0].rows, (row) => {
            const strike = Number(row.dataset.strike);
            Array.prototype.forEach.call(row.cells, (element) => {
                const inTheMoney = chain.last !== null && (element.classList.contains('call') ? strike < chain.last
                    : element.classList.contains('put') && strike > chain.last);
                element.classList.toggle('itm', inTheMoney);
            });
        });
    }

    function showUnderlyingError(text) {
        chain.errors.add(text);
        byId('underlyingError').textContent = Array.from(chain.errors).join('; ');
    }

    function onUnderlyingQuote(data) {
        Object.keys(data).forEach((field) => { chain.quoteValues[field] = data[field]; });
        showUnderlyingQuote(chain.quoteValues);
    }

    function showUnderlyingQuote(data) {
        if (data.Last !== undefined) {
            chain.last = data.Last;
            byId('underlyingLast').textContent = price(data.Last, chain.formatterId);
            markInTheMoney();
        }
        if (data.NetChange !== undefined && data.PctChange !== undefined) {
            const change = byId('underlyingChange');
            change.textContent = signed(price(data.NetChange, chain.formatterId), data.NetChange) + ' ('
                + signed(formatter().formatNumber(data.PctChange, 2), data.PctChange) + '%)';
            change.className = data.NetChange > 0 ? 'up' : data.NetChange < 0 ? 'down' : '';
        }
    }

    // Shows the contracts (ContractsKey) or one option series.
    function showView(key) {
        stopShown();
        showMessage('', false);
        chain.view = key;
        Array.prototype.forEach.call(byId('groups').children, (button) => {
            button.classList.toggle('current', button.dataset.key === key);
        });
        const series = chain.grouped.series.find((entry) => entry.key === key);
        byId('list').hidden = !!series;
        byId('grid').hidden = !series;
        if (series)
            renderGrid(series);
        else
            renderList(chain.grouped.others);
        markChosen();
    }

    function render() {
        renderTimer = null;
        chain.grouped = Members.group(chain.symbols);
        const groups = byId('groups');
        groups.innerHTML = '';
        const keys = [];
        if (chain.grouped.others.length > 0)
            keys.push([ContractsKey, 'Contracts (' + chain.grouped.others.length + ')']);
        chain.grouped.series.forEach((entry) => keys.push([entry.key, entry.label]));
        keys.forEach(([key, label]) => {
            const button = document.createElement('button');
            button.type = 'button';
            button.dataset.key = key;
            button.textContent = label;
            button.addEventListener('click', () => showView(key));
            groups.appendChild(button);
        });
        groups.hidden = keys.length < 2;
        const options = chain.grouped.series.reduce((sum, entry) => sum + entry.rows.length, 0);
        byId('summary').textContent = chain.underlying + ' \u00b7 '
            + (chain.grouped.series.length > 0 ? chain.grouped.series.length + ' series, ' + options + ' strikes'
                                               : chain.grouped.others.length + ' members');
        if (keys.length === 0) {
            byId('list').hidden = true;
            byId('grid').hidden = true;
            showMessage(chain.underlying + ' has no chain members', false);
            return;
        }
        const keep = keys.some(([key]) => key === chain.view);
        showView(keep ? chain.view : keys[0][0]);
        // The front member's quote until the user chooses another.
        if (!detail.symbol && chain.symbols.length > 0)
            choose(chain.symbols[0], false);
    }

    // A chain answers in parts, each "ok" adding members, until it is stopped; Zeb's chain
    // request ends at the first part, so the chain is started with startChain and its answers
    // are picked from the datafeed's responses.
    function onResponse(answer) {
        if (chain.rid === null || String(answer.request.rid) !== String(chain.rid))
            return;
        if (answer.result === 'fail') {
            stopChain();
            showMessage('Chain of ' + chain.underlying + ': ' + errorText(answer), true);
            Zeb.bridge.showErrorStatus(errorText(answer));
            return;
        }
        if (answer.result !== 'ok')
            return;
        chain.symbols = chain.symbols.concat(answer.added);
        Zeb.bridge.showReadyStatus(chain.underlying);
        // Render once the parts have arrived.
        if (renderTimer === null)
            renderTimer = setTimeout(render, RenderDelay);
    }

    function stopChain() {
        if (chain.rid !== null)
            Zeb.datafeed.stop(chain.rid);
        chain.rid = null;
    }

    // Shows the chain of underlying; with link, the windows linked to this one follow it.
    function load(underlying, link) {
        stopChain();
        chain.info = stopRequest(chain.info);
        chain.quote = stopRequest(chain.quote);
        stopShown();
        clearDetail();
        chain.formatterId = '';
        chain.last = null;
        chain.quoteValues = {};
        chain.errors.clear();
        ['underlyingError', 'underlyingLast', 'underlyingChange'].forEach((id) => { byId(id).textContent = ''; });
        clearTimeout(renderTimer);
        renderTimer = null;
        chain.underlying = underlying;
        chain.symbols = [];
        chain.view = null;
        byId('underlying').value = underlying;
        byId('groups').innerHTML = '';
        byId('list').hidden = true;
        byId('grid').hidden = true;
        byId('summary').textContent = underlying;
        showMessage('Loading the chain of ' + underlying, false);
        Zeb.bridge.showLoadingStatus('Loading ' + underlying);
        Zeb.bridge.documentDesc(underlying);
        chain.rid = tryRequest(() => Zeb.datafeed.startChain(underlying, null, outrightOnly), () => {
            showMessage('Chain of ' + underlying + ': ' + Refused, true);
            Zeb.bridge.showErrorStatus('Request refused');
        });
        chain.info = tryRequest(() => Zeb.datafeed.requestSymbolInfo(underlying, true)
            .progress((answer) => {
                chain.formatterId = answer.data.formatterId;
                showUnderlyingQuote(chain.quoteValues);
            })
            .fail((answer) => showUnderlyingError('Symbol information: ' + errorText(answer))),
        () => showUnderlyingError('Symbol information: ' + Refused));
        chain.quote = tryRequest(() => Zeb.datafeed.requestQuote(underlying, ['Last', 'NetChange', 'PctChange'], true)
            .progress((answer) => onUnderlyingQuote(answer.data))
            .fail((answer) => showUnderlyingError('Quote: ' + errorText(answer))),
        () => showUnderlyingError('Quote: ' + Refused));
        if (link)
            Zeb.symbolLinking.activate(underlying);
    }

    // The chosen member.

    function markChosen() {
        Array.prototype.forEach.call(document.querySelectorAll('[data-symbol]'), (element) => {
            element.classList.toggle('chosen', element.dataset.symbol === detail.symbol);
        });
    }

    function showDetailError(text) {
        const element = byId('detailError');
        element.textContent = text;
        element.hidden = !text;
    }

    function showDetailQuote(data) {
        if (data.Description !== undefined)
            byId('detailDescription').textContent = data.Description;
        if (data.Last !== undefined)
            byId('detailLast').textContent = price(data.Last, detail.formatterId);
        if (data.NetChange !== undefined && data.PctChange !== undefined) {
            const change = byId('detailChange');
            change.textContent = signed(price(data.NetChange, detail.formatterId), data.NetChange)
                + ' (' + signed(formatter().formatNumber(data.PctChange, 2), data.PctChange) + '%)';
            change.className = data.NetChange > 0 ? 'up' : data.NetChange < 0 ? 'down' : '';
        }
        DetailFields.forEach(([field, , kind]) => {
            if (data[field] === undefined)
                return;
            const value = data[field];
            detail.cells[field].textContent = kind === 'price' ? price(value, detail.formatterId)
                : kind === 'volume' ? formatter().formatVolume(value) : formatter().formatTime(value);
        });
    }

    function addFact(name, value) {
        const row = byId('detailFields').tBodies[0].insertRow(-1);
        cell(row, name, 'dim');
        return cell(row, value, 'num');
    }

    // Stops the chosen member's requests and empties its panel.
    function clearDetail() {
        detail.info = stopRequest(detail.info);
        detail.quote = stopRequest(detail.quote);
        detail.symbol = '';
        detail.formatterId = '';
        detail.values = {};
        byId('detailSymbol').textContent = 'No member chosen';
        byId('detailDescription').textContent = 'Choose a contract or an option to see its quote.';
        byId('detailLast').textContent = '';
        byId('detailChange').textContent = '';
        byId('detailFields').tBodies[0].innerHTML = '';
        showDetailError('');
    }

    function onDetailInfo(info) {
        detail.formatterId = info.formatterId;
        addFact('Type', info.symbolType);
        if (info.expiration !== undefined)
            addFact('Expiration', info.expiration + (info.expired ? ' (expired)' : ''));
        addFact('Tick', formatter().formatPrice(info.mintick, info.formatterId));
        showDetailQuote(detail.values);
    }

    function onDetailQuote(data) {
        Object.keys(data).forEach((field) => { detail.values[field] = data[field]; });
        showDetailQuote(detail.values);
    }

    function choose(symbol, link) {
        clearDetail();
        detail.symbol = symbol;
        markChosen();
        byId('detailSymbol').textContent = symbol;
        byId('detailDescription').textContent = '';
        DetailFields.forEach(([field, name]) => { detail.cells[field] = addFact(name, ''); });

        const refused = () => showDetailError('A request was refused (see Plugin Output)');
        detail.info = tryRequest(() => Zeb.datafeed.requestSymbolInfo(symbol, true)
            .progress((answer) => onDetailInfo(answer.data))
            .fail((answer) => showDetailError('Symbol information: ' + errorText(answer))), refused);
        const fields = ['Description', 'Last', 'NetChange', 'PctChange'].concat(DetailFields.map(([field]) => field));
        detail.quote = tryRequest(() => Zeb.datafeed.requestQuote(symbol, fields, true)
            .progress((answer) => onDetailQuote(answer.data))
            .fail((answer) => showDetailError('Quote: ' + errorText(answer))), refused);
        if (link)
            Zeb.symbolLinking.activate(symbol);
    }

    function onMembersClick(event) {
        let target = event.target;
        while (target && target !== event.currentTarget && !(target.dataset && target.dataset.symbol))
            target = target.parentNode;
        if (target && target !== event.currentTarget)
            choose(target.dataset.symbol, true);
    }

    // A linked symbol of this chain is chosen; any other becomes the underlying.
    function onLinked(symbol) {
        if (chain.symbols.indexOf(symbol) < 0) {
            load(symbol, false);
            return;
        }
        const member = Members.parse(symbol);
        const key = member.option ? member.option.series : ContractsKey;
        if (key !== chain.view)
            showView(key);
        choose(symbol, false);
    }

    function initialUnderlying() {
        let underlying = DefaultUnderlying;
        Zeb.bridge.takeCreationContext((context) => {
            if (context.containsSymbol())
                underlying = Zeb.bridge.translateSymbol(context.symbol);
        });
        return underlying;
    }

    if (!window.Zeb) {
        showMessage('Open this page in the host: it needs the host\'s market data', true);
        return;
    }
    document.body.className = 'theme-' + Zeb.bridge.theme();

    const outrightAction = Zeb.actions.outright;
    if (outrightAction) {
        outrightAction.checked(outrightOnly);
        outrightAction.bind('activated', (action, checked) => {
            outrightOnly = checked;
            load(chain.underlying, false);
        });
    }
    Zeb.bridge.mainMenuActions(['outright', '-', 'refresh']);
    Zeb.bridge.contextMenuActions(['outright', '-', 'copy', '-', 'refresh']);
    Zeb.formatter.bind('settingsChanged', () => {
        showUnderlyingQuote(chain.quoteValues);
        shown.members.forEach((member) => showMemberQuote(member, member.values));
        showDetailQuote(detail.values);
    });
    Zeb.datafeed.bind('response', onResponse);
    Zeb.symbolLinking.bind('activated', onLinked);
    Zeb.bridge.bind('initContextData', (context) => {
        context.symbol = detail.symbol || chain.underlying;
        context.symbolList = chain.symbols;
        context.symbolListTitle = 'Chain of ' + chain.underlying;
    });

    byId('controls').addEventListener('submit', (event) => {
        event.preventDefault();
        const symbol = Zeb.bridge.translateSymbol(byId('underlying').value.trim().toUpperCase());
        if (symbol)
            load(symbol, true);
        else
            showMessage('Type an underlying: a futures root such as CL#, or a stock', true);
    });
    Array.prototype.forEach.call(byId('picks').children, (button) => {
        button.addEventListener('click', () => load(button.dataset.symbol, true));
    });
    byId('members').addEventListener('click', onMembersClick);
    load(initialUnderlying(), false);
}());
