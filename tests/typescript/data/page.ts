// A quote page written against tessel.d.ts: header controls, properties, commands, actions,
// context, symbol linking and datafeed requests through Zeb, and the raw bridge beside it.

declare namespace Zeb {
    // The manifest's property group "display" and the ids of its header, actions, commands.
    const display: Zeb.Group<{
        fields: Zeb.Property<string>;
        decimals: Zeb.Property<number>;
        showVolume: Zeb.Property<boolean>;
        background: Zeb.Property<string>;
        font: Zeb.Property<string>;
        layout: Zeb.Property<TesselBridge.VariantMap>;
    }>;
    interface HeaderControls {
        readonly symbol: Zeb.SymbolEdit;
        readonly period: Zeb.ComboBox;
        readonly live: Zeb.ToggleButton;
        readonly tools: Zeb.MenuButton;
        readonly curve: Zeb.InsertSymbolButton;
    }
    interface CommandMap {
        readonly addRow: Zeb.Command;
    }
}

interface Row {
    symbol: string;
    formatterId: string;
    quote: Zeb.Request<TesselBridge.QuoteResponse> | null;
}

const rows: Row[] = [];
const table = document.getElementById('rows') as HTMLTableElement;

function fieldNames(): string[] {
    return Zeb.display.fields.value().split(',').map((name) => name.trim());
}

function showQuote(row: Row, answer: TesselBridge.QuoteResponse): void {
    const data = answer.data;
    if (!data)
        return;
    const last = data['Last'];
    if (typeof last === 'number' && row.formatterId !== '')
        setCell(row, 'Last', Zeb.formatter.formatPrice(last, row.formatterId));
    const volume = data['Volume'];
    if (typeof volume === 'number' && Zeb.display.showVolume.value())
        setCell(row, 'Volume', Zeb.formatter.formatVolume(volume));
    const change = data['PctChange'];
    if (typeof change === 'number')
        setCell(row, 'PctChange', Zeb.formatter.formatNumber(change, Zeb.display.decimals.value()) + '%');
    const time = data['TradeTime'];
    if (time instanceof Date)
        setCell(row, 'TradeTime', Zeb.formatter.formatTime(time));
}

function setCell(row: Row, field: string, text: string): void {
    const cell = table.querySelector(`tr[data-symbol="${row.symbol}"] td.${field}`);
    if (cell)
        cell.textContent = text;
}

function addRow(symbol: string): void {
    const row: Row = { symbol, formatterId: '', quote: null };
    rows.push(row);
    Zeb.datafeed.requestSymbolInfo(symbol)
        .done((answer) => {
            if (answer.data)
                row.formatterId = answer.data.formatterId;
            row.quote = Zeb.datafeed.requestQuote(symbol, fieldNames(), Zeb.header.live.value())
                .progress((quote) => showQuote(row, quote))
                .done((quote) => showQuote(row, quote))
                .fail((quote) => Zeb.output.err(quote.error ? quote.error.errorMessage || '' : ''));
        })
        .fail((answer) => Zeb.bridge.showErrorStatus(`${symbol}: ${answer.error?.errorMessage ?? ''}`));
}

function removeRow(symbol: string): void {
    const index = rows.findIndex((row) => row.symbol === symbol);
    if (index < 0)
        return;
    const quote = rows[index].quote;
    if (quote)
        quote.stop();
    rows.splice(index, 1);
}

// Header: a symbol typed in the edit adds a row through the undoable command.
Zeb.header.symbol.bind('activated', (edit) => {
    Zeb.commands.addRow.activate({ symbol: edit.value() });
});
Zeb.commands.addRow
    .bind('redo', (_command, value) => {
        const map = value as { symbol: string };
        addRow(map.symbol);
    })
    .bind('undo', (_command, value) => removeRow((value as { symbol: string }).symbol));

Zeb.header.period.options(['1 day', '5 days', '-', '1 month|calendar']);
Zeb.header.period.value('5 days');
Zeb.header.period.bind('activated', (box) => {
    const days = parseInt(box.value(), 10);
    Zeb.datafeed.requestHistory(rows.length ? rows[0].symbol : 'CL#', days, Date.now())
        .done((answer) => (answer.bars || []).forEach((bar) => console.log(bar.time.getUTCDate(), bar.close)));
});
Zeb.header.tools.actions(['refresh', '-', 'properties']);

Zeb.header.curve.setAllowedSymbolTypes(['Futures', 'Forex']);
Zeb.header.curve.dialogTitle('Add Curve').date(new Date());
Zeb.header.curve.bind('symbolAccepted', (button) => {
    Zeb.datafeed.requestChain(button.symbol(), button.date(), true)
        .done((answer) => (answer.added || []).forEach(addRow));
});

// Properties: any change of the group re-renders; the page writes some itself.
Zeb.display.properties().forEach((id) => console.log(id));
Zeb.display.background.bind('changed', (property) => {
    document.body.style.background = property.value();
});
Zeb.display.decimals.setValue('3');
Zeb.display.showVolume.setValue(true, true);
Zeb.display.layout.value({ columns: ['Last', 'Volume'], width: 320 });
_quorvex_bridge.objects.objects.forEach((group) => {
    group.objects.forEach((property) => {
        property.changed.connect(() => console.log(group.objectName, property.objectName, property.value));
    });
});
const font = Zeb.display.font._h;
font.fontSize = font.fontSize + 1;
font.colorCss = 'rgb(255,128,0)';

// Actions and menus.
const refresh = Zeb.actions['refresh'];
if (refresh) {
    refresh.enabled(rows.length > 0);
    refresh.bind('activated', (_action, checked) => console.log('refresh', checked));
}
Zeb.bridge.mainMenuActions(['refresh', '-', 'properties']).contextMenuActions(['copy']);

// Context with the host.
Zeb.bridge.bind('initContextData', (context) => {
    if (rows.length === 1) {
        context.symbol = rows[0].symbol;
    } else {
        context.symbolList = rows.map((row) => row.symbol);
        context.symbolListTitle = 'Quotes';
    }
});
Zeb.bridge.bind('initContextMenu', (_bridge, context) => {
    if (context.containsSymbol())
        Zeb.bridge.contextMenuActions(['copy', '-', 'refresh']);
});
Zeb.bridge.takeCreationContext((context) => {
    if (context.containsSymbolList())
        context.symbolList.forEach(addRow);
    else if (context.containsSymbol())
        addRow(context.symbol);
});
Zeb.bridge.bind('symbolDrop', (symbols) => symbols.forEach(addRow));
Zeb.bridge.bind('windowActive', (active) => Zeb.bridge.log(`active ${active}`, 0));
Zeb.symbolLinking.bind('activated', (symbol) => addRow(symbol));
Zeb.bridge.bind('all', (eventName) => console.log('bridge event', eventName));

// The formatter id of a symbol, and the raw datafeed beside the library's requests.
const formatterId = Zeb.datafeed.getFormatterId('CLZ27');
if (formatterId !== '')
    formatterId.done((id) => console.log(Zeb.formatter.formatCurrency(1234.5, id, true)));

const feed = _quorvex_bridge.datafeed;
const rawRid = 'news-1';
const onAnswer = (answer: TesselBridge.Response): void => {
    if (answer.request.rid !== rawRid)
        return;
    const news = answer as TesselBridge.NewsResponse;
    if (news.result === 'fail' && news.error)
        _quorvex_bridge.outScriptErr(`news: ${news.error.errorCode}`);
    else if (news.data)
        news.data.headlines.forEach((headline) => console.log(headline.time.toISOString(), headline.text));
};
feed.response.connect(onAnswer);
window.addEventListener('beforeunload', () => feed.response.disconnect(onAnswer));
if (!feed.request({ type: 'news', rid: rawRid, symbols: ['ACME.QB'], hoursBack: 4, realtime: true }))
    Zeb.output.warn('news refused');
feed.request({ type: 'history', rid: 7, symbol: 'ACME.QB', startDate: new Date(2024, 0, 2) });
feed.request({ type: 'stop', rid: 7 });
Zeb.datafeed.requestNews(['ACME.QB'], '', ['Earnings'], 2, 0, [], false, false, false, 50, false)
    .done((answer) => {
        const first = answer.data ? answer.data.headlines[0] : undefined;
        if (first)
            Zeb.datafeed.requestNewsBody(first.storyID).done((story) => {
                if (story.data && story.data.type === 'url' && story.data.content)
                    Zeb.bridge.openUrl(story.data.content);
            });
    });

const parsed = Zeb.formatter.parseDate('2024-01-31');
if (parsed !== null)
    console.log(Zeb.formatter.formatDate(parsed));
_quorvex_bridge.readyStatus = 'ready';
_quorvex_bridge.windowTitle = `${_quorvex_bridge.windowTitle} (${feed.username})`;
_quorvex_bridge.header.controls.forEach((control) => {
    if (control.type === 'ComboBox')
        console.log(control.options.join(','));
    else if (control.type === 'InsertSymbolButton')
        control.symbolAccepted.connect(() => console.log(control.symbol));
});
_quorvex_bridge.commands.forEach((command) => console.log(command.id, command.undoText, command.bind));
Zeb.bridge.showLoadingStatus('Loading quotes').log(`api ${Zeb.bridge.apiVersion()}`);
Zeb.datafeed.reset();
