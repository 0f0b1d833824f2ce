// Chain Viewer: the members of an underlying's "chain" (futures contracts of a root such as
// CL#, option series of a stock or of a contract), with live quotes of the members shown and
// the full quote of the one chosen. Changing the underlying, the series or the choice stops
// the requests that showed the old one.
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

    const bridge = Feed.bridge;
    const byId = (id) => document.getElementById(id);
    const formatter = () => bridge.datafeed.formatter;

    // The underlying: its chain, and its own information and quote for the summary.
    const chain = { underlying: '', rid: null, infoRid: null, quoteRid: null, formatterId: '', last: null,
                    quoteValues: {}, errors: new Set(), symbols: [], grouped: null, view: null };
    // The members shown: symbol -> {rid, cells, values}; one "symbolinfo" formats them all, as
    // the members of one list or series share their tick.
    const shown = { members: new Map(), infoRid: null, formatterId: '', failures: new Map() };
    const detail = { symbol: '', infoRid: null, quoteRid: null, formatterId: '', cells: {}, values: {} };
    let renderTimer = null;
    let outrightAction = null;

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
        shown.members.forEach((member) => Feed.stop(member.rid));
        shown.members.clear();
        Feed.stop(shown.infoRid);
        shown.infoRid = null;
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

    function quoteMember(symbol, fields, cells) {
        const member = { rid: null, cells: cells, values: {} };
        shown.members.set(symbol, member);
        member.rid = Feed.start({ type: 'quote', symbol: symbol, fields: fields, realtime: true }, (answer) => {
            if (answer.result === 'fail') {
                Feed.stop(member.rid);
                member.rid = null;
                shown.failures.set(symbol, Feed.errorText(answer));
                showQuoteFailures();
                return;
            }
            showMemberQuote(member, answer.data);
        });
        if (member.rid === null) {
            shown.failures.set(symbol, 'the request was refused (see Plugin Output)');
            showQuoteFailures();
        }
    }

    function formatShownWith(symbol) {
        shown.infoRid = Feed.start({ type: 'symbolinfo', symbol: symbol }, (answer) => {
            if (answer.result === 'fail') {
                shown.failures.set(symbol, Feed.errorText(answer));
                showQuoteFailures();
                return;
            }
            if (answer.result !== 'ok')
                return;
            shown.formatterId = answer.data.formatterId;
            shown.members.forEach((member) => showMemberQuote(member, member.values));
        });
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

    function onUnderlyingQuote(answer) {
        if (answer.result === 'fail') {
            const what = answer.request.type === 'quote' ? 'Quote: ' : 'Symbol information: ';
            chain.errors.add(what + Feed.errorText(answer));
            byId('underlyingError').textContent = Array.from(chain.errors).join('; ');
            return;
        }
        Object.keys(answer.data).forEach((field) => { chain.quoteValues[field] = answer.data[field]; });
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

    function onChain(answer) {
        if (answer.result === 'fail') {
            showMessage('Chain of ' + chain.underlying + ': ' + Feed.errorText(answer), true);
            Feed.status('error', Feed.errorText(answer));
            return;
        }
        chain.symbols = chain.symbols.concat(answer.added);
        Feed.status('ready', chain.underlying);
        // A chain may answer in several parts: render once they have arrived.
        if (renderTimer === null)
            renderTimer = setTimeout(render, RenderDelay);
    }

    // Shows the chain of underlying; with link, the windows linked to this one follow it.
    function load(underlying, link) {
        Feed.stop(chain.rid);
        Feed.stop(chain.infoRid);
        Feed.stop(chain.quoteRid);
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
        Feed.status('initializing', 'Loading ' + underlying);
        bridge.documentDesc = underlying;
        const outrightOnly = outrightAction ? outrightAction.checked : true;
        chain.rid = Feed.start({ type: 'chain', symbol: underlying, isOutright: outrightOnly }, onChain);
        if (chain.rid === null) {
            showMessage('Chain of ' + underlying + ': the request was refused (see Plugin Output)', true);
            Feed.status('error', 'Request refused');
        }
        chain.infoRid = Feed.start({ type: 'symbolinfo', symbol: underlying }, (answer) => {
            if (answer.result === 'fail') {
                onUnderlyingQuote(answer);
            } else if (answer.result === 'ok') {
                chain.formatterId = answer.data.formatterId;
                showUnderlyingQuote(chain.quoteValues);
            }
        });
        chain.quoteRid = Feed.start({ type: 'quote', symbol: underlying, fields: ['Last', 'NetChange', 'PctChange'],
                                      realtime: true }, onUnderlyingQuote);
        if (chain.infoRid === null || chain.quoteRid === null)
            byId('underlyingError').textContent = 'Request refused (see Plugin Output)';
        if (link)
            bridge.setSymbolLinking(underlying);
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
        Feed.stop(detail.infoRid);
        Feed.stop(detail.quoteRid);
        detail.infoRid = null;
        detail.quoteRid = null;
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

    function choose(symbol, link) {
        clearDetail();
        detail.symbol = symbol;
        markChosen();
        byId('detailSymbol').textContent = symbol;
        byId('detailDescription').textContent = '';
        DetailFields.forEach(([field, name]) => { detail.cells[field] = addFact(name, ''); });

        detail.infoRid = Feed.start({ type: 'symbolinfo', symbol: symbol }, (answer) => {
            if (answer.result === 'fail') {
                showDetailError('Symbol information: ' + Feed.errorText(answer));
                return;
            }
            if (answer.result !== 'ok')
                return;
            const info = answer.data;
            detail.formatterId = info.formatterId;
            addFact('Type', info.symbolType);
            if (info.expiration !== undefined)
                addFact('Expiration', info.expiration + (info.expired ? ' (expired)' : ''));
            addFact('Tick', formatter().formatPrice(info.mintick, info.formatterId));
            showDetailQuote(detail.values);
        });
        detail.quoteRid = Feed.start({ type: 'quote', symbol: symbol, realtime: true,
                                       fields: ['Description', 'Last', 'NetChange', 'PctChange']
                                           .concat(DetailFields.map(([field]) => field)) }, (answer) => {
            if (answer.result === 'fail') {
                showDetailError('Quote: ' + Feed.errorText(answer));
                return;
            }
            Object.keys(answer.data).forEach((field) => { detail.values[field] = answer.data[field]; });
            showDetailQuote(detail.values);
        });
        if (detail.infoRid === null || detail.quoteRid === null)
            showDetailError('A request was refused (see Plugin Output)');
        if (link)
            bridge.setSymbolLinking(symbol);
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
        const context = bridge.takeCreationContext();
        return context && context.containsSymbol() ? bridge.translateSymbol(context.symbol) : DefaultUnderlying;
    }

    if (!bridge) {
        showMessage('Open this page in the host: it needs the host\'s market data', true);
        return;
    }
    document.body.className = 'theme-' + bridge.theme;

    outrightAction = bridge.actions.find((action) => action.objectName === 'outright') || null;
    if (outrightAction) {
        outrightAction.setChecked(true);
        Feed.connect(outrightAction.triggered, () => load(chain.underlying, false));
    }
    bridge.mainMenuActions = ['outright', '-', 'refresh'];
    bridge.contextMenuActions = ['outright', '-', 'copy', '-', 'refresh'];
    Feed.connect(bridge.datafeed.formatter.settingsChanged, () => {
        showUnderlyingQuote(chain.quoteValues);
        shown.members.forEach((member) => showMemberQuote(member, member.values));
        showDetailQuote(detail.values);
    });
    Feed.connect(bridge.symbolLinkingChanged, onLinked);
    Feed.connect(bridge.initContextData, (context) => {
        context.symbol = detail.symbol || chain.underlying;
        context.symbolList = chain.symbols;
        context.symbolListTitle = 'Chain of ' + chain.underlying;
    });

    byId('controls').addEventListener('submit', (event) => {
        event.preventDefault();
        const symbol = bridge.translateSymbol(byId('underlying').value.trim().toUpperCase());
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
