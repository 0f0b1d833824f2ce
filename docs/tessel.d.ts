// Type declarations for Tessel pages: the bridge object `_quorvex_bridge` that every page of a
// web plug-in window finds on its window object, and the global `Zeb` of the page library
// (qrc:///tessel/tessel.js). Compile page scripts against this file with `tsc --strict`.
//
// A page declares the property groups of its own manifest by merging into the namespace Zeb:
//
//     declare namespace Zeb {
//         const display: Zeb.Group<{ greeting: Zeb.Property<string> }>;
//     }
//
// and may name its header controls, actions and commands the same way (Zeb.HeaderControls,
// Zeb.ActionMap, Zeb.CommandMap).

/** The native objects of the bridge, as QtWebKit shows them to a page. */
declare namespace TesselBridge {
    /** A value that crosses the bridge as a variant: numbers arrive in C++ as doubles, a Date
     *  as a date-time without its milliseconds, undefined as an invalid (null) value. */
    type Variant = null | boolean | number | string | Date | readonly Variant[] | VariantMap;
    interface VariantMap {
        readonly [key: string]: Variant | undefined;
    }

    /** A native signal: connect a function, or a function to be called with `this` bound. */
    interface Signal<Args extends unknown[] = []> {
        connect(callback: (...args: Args) => void): void;
        connect<T extends object>(thisObject: T, callback: (this: T, ...args: Args) => void): void;
        disconnect(callback: (...args: Args) => void): void;
        disconnect<T extends object>(thisObject: T, callback: (this: T, ...args: Args) => void): void;
    }

    interface QObject {
        readonly objectName: string;
    }

    type ReadyStatus = 'initializing' | 'ready' | 'error' | 'noStatus';
    /** Diagnostic-log severity; 1 when left out. Other numbers write nothing. */
    type LogSeverity = 0 | 1 | 2 | 3 | 4;

    /** `_quorvex_bridge`: the document of the window. */
    interface Document extends QObject {
        /** Names of the main menu's actions, "-" for a separator; writing rebuilds the menu. */
        mainMenuActions: string[];
        /** Names of the context menu's actions, "-" for a separator. */
        contextMenuActions: string[];
        /** Every action the document knows, in ascending name order. */
        readonly actions: readonly Action[];
        /** The manifest's commands, in ascending id order. */
        readonly commands: readonly Command[];
        readonly header: Header;
        readonly datafeed: Datafeed;
        /** The root property container "objects": one container per manifest group. */
        readonly objects: PropertyContainer<PropertyContainer>;
        readonly isWindowActive: boolean;
        /** The bridge's interface version, "1.0". */
        readonly apiVersion: string;
        /** The manifest's version as "major.minor". */
        readonly pluginVersion: string;
        /** The host theme's name, such as "black" or "white". */
        readonly theme: string;
        /** "" when the host document holds a status outside the four texts. */
        get readyStatus(): ReadyStatus | '';
        set readyStatus(status: ReadyStatus);
        readyStatusText: string;
        documentDesc: string;
        windowTitle: string;

        readonly symbolLinkingChanged: Signal<[symbol: string]>;
        readonly symbolDrop: Signal<[symbols: string[]]>;
        /** The host asks for the window's context: fill `context` before returning. */
        readonly initContextData: Signal<[context: Context]>;
        /** The host builds a context menu for the context it holds. */
        readonly initContextMenu: Signal<[context: Context]>;
        readonly onWindowActiveChanged: Signal<[active: boolean]>;

        showWebInspector(): void;
        setSymbolLinking(symbol: string): void;
        notifyContextChanged(): void;
        outScriptErr(e: string): void;
        outScriptWarn(e: string): void;
        isFeatureEnabled(feature: string): boolean;
        isFeatureQuorvexApp(feature: string): boolean;
        translateSymbol(symbol: string): string;
        /** The context the window was opened with, once; null afterwards. */
        takeCreationContext(): Context | null;
        openUrl(url: string): void;
        log(text: string, severity?: LogSeverity): void;
        showFakeMenu(x: number, y: number): void;
        refresh(): void;
    }

    /** A symbol, or a titled list of symbols, exchanged with the host. */
    interface Context extends QObject {
        symbol: string;
        symbolList: string[];
        symbolListTitle: string;
        containsSymbol(): boolean;
        containsSymbolList(): boolean;
    }

    /** A document action, addressed by its objectName (the manifest action id). */
    interface Action extends QObject {
        checkable: boolean;
        checked: boolean;
        enabled: boolean;
        visible: boolean;
        autoRepeat: boolean;
        text: string;
        iconText: string;
        toolTip: string;
        statusTip: string;
        whatsThis: string;
        readonly changed: Signal;
        readonly triggered: Signal<[checked: boolean]>;
        readonly hovered: Signal;
        readonly toggled: Signal<[checked: boolean]>;
        trigger(): void;
        hover(): void;
        toggle(): void;
        setChecked(checked: boolean): void;
        setEnabled(enabled: boolean): void;
        setDisabled(disabled: boolean): void;
        setVisible(visible: boolean): void;
    }

    /** A manifest command; activating it makes one undo entry named undoText. */
    interface Command extends QObject {
        readonly id: string;
        readonly undoText: string;
        /** The bound document property, or "" for a command the page carries out itself. */
        readonly bind: string;
        readonly undo: Signal<[value: Variant]>;
        readonly redo: Signal<[value: Variant]>;
        activate(value: Variant): void;
    }

    interface Header extends QObject {
        /** The header controls in manifest order. */
        readonly controls: readonly Control[];
    }

    type Control = Button | ComboBox | SymbolEdit | InsertSymbolButton;
    type ControlType = Control['type'];

    interface ButtonBase extends QObject {
        /** Checked state. */
        value: boolean;
        /** A menu button's action names, "-" for a separator; writing rebuilds its menu. */
        action: string[];
        readonly activated: Signal;
    }

    interface Button extends ButtonBase {
        readonly type: 'Button' | 'ToggleButton' | 'MenuButton';
    }

    interface ComboBox extends QObject {
        readonly type: 'ComboBox';
        /** The current text; a text that is no item of a fixed list selects none. */
        value: string;
        /** Items: "-" is a separator, "label|icon" an item with a manifest icon. */
        options: string[];
        readonly activated: Signal;
    }

    interface SymbolEdit extends QObject {
        readonly type: 'SymbolEdit';
        value: string;
        /** The user finished an edit (Enter). */
        readonly activated: Signal;
        /** The symbol differs from the one last reported. */
        readonly valueChanged: Signal;
    }

    interface InsertSymbolButton extends ButtonBase {
        readonly type: 'InsertSymbolButton';
        /** The accepted symbol; writing fills the dialog's symbol edit. */
        symbol: string;
        /** The chain's date. */
        date: Date;
        dialogTitle: string;
        readonly symbolAccepted: Signal;
        readonly symbolRejected: Signal;
        setSymbol(symbol: string): void;
        setDate(date: Date): void;
        setDialogTitle(title: string): void;
        showDialog(): void;
        closeDialog(): void;
        /** A text shows in the dialog's status strip; "" hides the strip. */
        setError(error: string): void;
        /** Only these types are accepted; an empty list accepts every type fit for a curve. */
        setAllowedSymbolTypes(types: SymbolType[]): void;
    }

    /** A container of script properties: the root "objects", or one manifest group. */
    interface PropertyContainer<Child = Property> extends QObject {
        readonly objects: readonly Child[];
    }

    /** What a property accepts: a value of its type or one that converts to it. */
    type PropertyInput = boolean | number | string | Date | readonly Variant[] | VariantMap;

    /** A typed, persistent setting. Colour and font properties read as CSS text. */
    interface Property<T extends Variant = Variant> extends QObject {
        /** Writing adds one undo entry (none when the value is unchanged). */
        get value(): T;
        set value(v: PropertyInput);
        /** Colour properties: "rgb(r,g,b)" or "rgba(r,g,b,a)"; "" for other types. */
        colorCss: string;
        /** Font properties: `[bold ][italic ]SIZEpt "family"`; "" for other types. */
        fontCss: string;
        fontFamily: string;
        /** Point size; 0 for other types. */
        fontSize: number;
        fontBold: boolean;
        fontItalic: boolean;
        readonly changed: Signal;
        /** Sets at once, without an undo entry. */
        setValue(v: PropertyInput): void;
        /** Sets through one undo entry. */
        setValueWithUndo(v: PropertyInput): void;
    }

    type SymbolType =
        | 'Bond' | 'Forex' | 'Futures' | 'FuturesContinuous' | 'FuturesContinuousFS'
        | 'FuturesForward' | 'FuturesOption' | 'FuturesOptionWildCard' | 'FuturesSpot'
        | 'FuturesSpread' | 'FuturesWildCard' | 'Index' | 'Stock' | 'StockOption'
        | 'StockWildCard' | 'UserDefinedSpread' | 'MutualFund' | 'MoneyMktFund' | 'Warehouse'
        | 'LMEReport' | 'PreciousMetalFix' | 'Alias' | 'Simulated'
        | 'HistoricalContractFixedDate' | 'HistoricalContractDaysBack';
    type Symbology = 'vmt' | 'cusip' | 'sedol' | 'isin' | 'vmt-extended';
    type Result = 'ok' | 'progress' | 'fail' | 'restart';

    /** A request id: a number is taken as its text. */
    type Rid = string | number;

    interface SymbolInfoRequest {
        type: 'symbolinfo';
        rid: Rid;
        symbol: string;
        symbology?: Symbology;
    }
    interface QuoteRequest {
        type: 'quote';
        rid: Rid;
        symbol: string;
        /** Field names of the host, such as "Last" or "Volume"; unknown names are skipped. */
        fields?: readonly string[];
        realtime?: boolean;
    }
    interface ChainRequest {
        type: 'chain';
        rid: Rid;
        symbol: string;
        date?: Date | null;
        isOutright?: boolean;
    }
    interface HistoryRequest {
        type: 'history';
        rid: Rid;
        symbol: string;
        /** At least one of startDate and itemsCount. */
        startDate?: Date | null;
        endDate?: Date | null;
        itemsCount?: number;
        realtime?: boolean;
    }
    interface NewsRequest {
        type: 'news';
        rid: Rid;
        symbols?: readonly string[];
        service?: string;
        categories?: readonly string[];
        daysBack?: number;
        hoursBack?: number;
        keywords?: readonly string[];
        keywordsOr?: boolean;
        wholeWord?: boolean;
        caseSensitive?: boolean;
        historyLimit?: number;
        realtime?: boolean;
    }
    interface NewsBodyRequest {
        type: 'newsbody';
        rid: Rid;
        storyId: string;
    }
    /** Ends a running request; the word is matched ignoring case. */
    interface StopRequest {
        type: 'stop' | 'STOP' | 'Stop';
        rid: Rid;
    }
    type DataRequest =
        | SymbolInfoRequest | QuoteRequest | ChainRequest | HistoryRequest | NewsRequest
        | NewsBodyRequest;
    type Request = DataRequest | StopRequest;

    interface DatafeedError {
        errorCode: number;
        /** Left out by chain and history failures. */
        errorMessage?: string;
    }

    interface SymbolInfo {
        formatterId: string;
        mintick: number;
        symbolType: SymbolType | 'Undefined';
        subType?: SymbolType | 'Undefined';
        spreadChainAllowed?: boolean;
        root?: string;
        ticker: string;
        expiration?: string;
        expirationMonthCode?: string;
        expirationMonthString?: string;
        expirationYear?: number;
        expirationDate?: Date;
        expired?: boolean;
        termType?: 'Daily' | 'Week' | 'Month' | 'Year' | 'Undefined';
        termPeriod?: number;
        term?: string;
    }
    /** Requested quote fields that changed, by name. */
    interface QuoteData {
        readonly [field: string]: Variant | undefined;
    }
    interface Bar {
        time: Date;
        open: number;
        high: number;
        low: number;
        close: number;
        volume: number;
    }
    interface Headline {
        time: Date;
        text: string;
        symbols: string[];
        categories: string[];
        source: string;
        storyID: string;
    }
    interface Headlines {
        lastNews: boolean;
        headlines: Headline[];
    }
    interface Story {
        type?: 'invalid' | 'text' | 'html' | 'url';
        content?: string;
    }

    interface ResponseOf<R extends DataRequest> {
        /** The request map as it was sent. */
        request: R;
        result: Result;
        /** With "fail". */
        error?: DatafeedError;
    }
    interface SymbolInfoResponse extends ResponseOf<SymbolInfoRequest> { data?: SymbolInfo; }
    interface QuoteResponse extends ResponseOf<QuoteRequest> { data?: QuoteData; }
    interface ChainResponse extends ResponseOf<ChainRequest> { added?: string[]; }
    interface HistoryResponse extends ResponseOf<HistoryRequest> { bars?: Bar[]; }
    interface NewsResponse extends ResponseOf<NewsRequest> { data?: Headlines; }
    interface NewsBodyResponse extends ResponseOf<NewsBodyRequest> { data?: Story; }
    type Response =
        | SymbolInfoResponse | QuoteResponse | ChainResponse | HistoryResponse | NewsResponse
        | NewsBodyResponse;

    interface Datafeed extends QObject {
        readonly formatter: Formatter;
        /** The host's current user name. */
        readonly username: string;
        /** Answers to every request of the page. */
        readonly response: Signal<[data: Response]>;
        /** True when accepted; a refusal is written to "Plugin Output" and never answered. */
        request(r: Request): boolean;
        /** Stops every request. */
        clearAll(): void;
    }

    /** Formats as the host does. Prices, currency and symbol date-times need the formatterId
     *  of a "symbolinfo" answer; without it they give "" (formatting) or null (parsing). */
    interface Formatter extends QObject {
        readonly settingsChanged: Signal;
        formatPrice(n: number, formatterId: string): string;
        parsePrice(str: string, formatterId: string): number | null;
        formatVolume(n: number): string;
        parseVolume(str: string): number | null;
        formatDate(d: Date): string;
        parseDate(str: string): Date | null;
        formatTime(d: Date): string;
        parseTime(str: string): Date | null;
        formatDateTime(dt: Date, formatterId: string): string;
        parseDateTime(str: string, formatterId: string): Date | null;
        formatCurrency(n: number, formatterId: string, showCurrencySign: boolean): string;
        formatNumber(n: number, precision: number): string;
    }
}

/** The bridge, on the window object before the page's first script runs. */
declare var _quorvex_bridge: TesselBridge.Document;

/** The page library. The request methods need jQuery ($.Deferred) on the page. */
declare namespace Zeb {
    type Variant = TesselBridge.Variant;

    /** Event names of a wrapper and the arguments their callbacks get. */
    type EventMap = { [event: string]: unknown[] };

    /** The event methods every wrapper has. Events from native signals pass the wrapper
     *  first, except where noted. Callbacks bound to "all" get the event name first. */
    interface Events<M extends EventMap> {
        bind<K extends keyof M & string>(ev: K, callback: (...args: M[K]) => void, context?: object): this;
        bind(ev: 'all', callback: (eventName: string, ...args: unknown[]) => void, context?: object): this;
        /** No event: drops every callback; an event alone: drops that event's callbacks. */
        unbind(ev?: (keyof M & string) | 'all', callback?: (...args: never[]) => void): this;
        trigger<K extends keyof M & string>(eventName: K, ...args: M[K]): this;
    }

    /** Binds a wrapper to its native object; mixed into every wrapper class. */
    interface QObjectMixin<H> {
        /** The native object. */
        _h: H;
        /** Stores the native object and runs init(). */
        attach(handle: H): this;
        /** Makes event `name` of native signal `origName`, and this["trigger_" + name]. */
        _signal(name: string, origName?: string, skipThis?: boolean): void;
        /** Makes this[name](v?), which reads or writes native property `origName`. */
        _property(name: string, origName?: string): void;
        /** Makes this[name](...), which calls native slot `origName`. */
        _slot(name: string, origName?: string): void;
    }

    /** What a wrapper class adds to its prototype: events, the native binding and its init. */
    type Wrapper<H, M extends EventMap> = Events<M> & QObjectMixin<H> & { init(): void };

    /** The page library's promise (a jQuery promise). */
    interface Promise<T> {
        done(callback: (value: T) => void): this;
        fail(callback: (reason: unknown) => void): this;
        always(callback: (value: unknown) => void): this;
        progress(callback: (value: unknown) => void): this;
        then<U>(done: (value: T) => U | Promise<U>, fail?: (reason: unknown) => unknown): Promise<U>;
        pipe<U>(done: (value: T) => U | Promise<U>): Promise<U>;
        state(): 'pending' | 'resolved' | 'rejected';
    }

    /** A datafeed request. One-shot requests resolve on "ok" (or "restart") and stop
     *  themselves; real-time ones notify progress on "ok" and resolve on "restart". */
    interface Request<R extends TesselBridge.Response> {
        done(callback: (response: R) => void): this;
        progress(callback: (response: R) => void): this;
        fail(callback: (response: R) => void): this;
        always(callback: (response: R) => void): this;
        pipe<U>(callback: (response: R) => U | Promise<U>): Promise<U>;
        /** Sends "stop" while the request runs; afterwards nothing. */
        stop(): this;
    }

    class Output {
        /** A line on "Plugin Output". */
        err(e: string): void;
        warn(e: string): void;
    }
    const output: Output;

    interface Connection {
        signalWrapper: TesselBridge.Signal<never[]>;
        signalObject: object;
        callback: (...args: never[]) => void;
    }
    /** The recorded native connections; made on the first one. */
    let _signals: Connection[] | undefined;
    function _connect<A extends unknown[]>(signalWrapper: TesselBridge.Signal<A>,
                                           signalObject: object,
                                           callback: (...args: A) => void): void;
    /** Undoes every recorded connection; runs on "beforeunload". */
    function _disconnectAll(): void;

    /** Turns a native signal into event `name` of zebObj. */
    class SignalObject {
        constructor(name: string, skipThis: boolean, zebObj: Events<EventMap>);
        name: string;
        skipThis: boolean;
        zebObj: Events<EventMap>;
        trigger(...args: unknown[]): void;
    }

    const QObject: QObjectMixin<TesselBridge.QObject>;

    class ComboBox {
        /** Attaches handle when one is given. */
        constructor(handle?: TesselBridge.ComboBox);
        value(): string;
        value(v: string): this;
        options(): string[];
        options(v: readonly string[]): this;
        trigger_activated(): void;
    }
    interface ComboBox extends Wrapper<TesselBridge.ComboBox, { activated: [ComboBox] }> {}

    class SymbolEdit {
        /** Attaches handle when one is given. */
        constructor(handle?: TesselBridge.SymbolEdit);
        value(): string;
        value(v: string): this;
        trigger_activated(): void;
    }
    interface SymbolEdit extends Wrapper<TesselBridge.SymbolEdit, { activated: [SymbolEdit] }> {}

    class InsertSymbolButton {
        /** Attaches handle when one is given. */
        constructor(handle?: TesselBridge.InsertSymbolButton);
        symbol(): string;
        symbol(v: string): this;
        date(): Date;
        date(v: Date): this;
        dialogTitle(): string;
        dialogTitle(v: string): this;
        showDialog(): void;
        closeDialog(): void;
        setError(error: string): void;
        setAllowedSymbolTypes(types: TesselBridge.SymbolType[]): void;
        trigger_symbolAccepted(): void;
        trigger_symbolRejected(): void;
    }
    interface InsertSymbolButton extends Wrapper<TesselBridge.InsertSymbolButton, {
        symbolAccepted: [InsertSymbolButton];
        symbolRejected: [InsertSymbolButton];
    }> {}

    class Button {
        /** Attaches handle when one is given. */
        constructor(handle?: TesselBridge.Button);
        trigger_activated(): void;
    }
    interface Button extends Wrapper<TesselBridge.Button, { activated: [Button] }> {}

    class ToggleButton {
        /** Attaches handle when one is given. */
        constructor(handle?: TesselBridge.Button);
        /** Checked state. */
        value(): boolean;
        value(v: boolean): this;
        trigger_activated(): void;
    }
    interface ToggleButton extends Wrapper<TesselBridge.Button, { activated: [ToggleButton] }> {}

    class MenuButton {
        /** Attaches handle when one is given. */
        constructor(handle?: TesselBridge.Button);
        /** The menu's action names, "-" for a separator. */
        actions(): string[];
        actions(v: readonly string[]): this;
    }
    interface MenuButton extends Wrapper<TesselBridge.Button, {}> {}

    type Control = ComboBox | SymbolEdit | InsertSymbolButton | Button | ToggleButton | MenuButton;

    class Action {
        /** Attaches handle when one is given. */
        constructor(handle?: TesselBridge.Action);
        enabled(): boolean;
        enabled(v: boolean): this;
        /** Sets the checked state. */
        checked(checked: boolean): void;
        /** Triggers the action. */
        activate(): void;
        trigger_activated(): void;
    }
    interface Action extends Wrapper<TesselBridge.Action, { activated: [Action, boolean] }> {}

    class Command {
        /** Attaches handle when one is given. */
        constructor(handle?: TesselBridge.Command);
        activate(value: Variant): void;
        trigger_redo(): void;
        trigger_undo(): void;
    }
    interface Command extends Wrapper<TesselBridge.Command, {
        redo: [Command, Variant];
        undo: [Command, Variant];
    }> {}

    class Property<T extends Variant = Variant> {
        /** Attaches handle when one is given. */
        constructor(handle?: TesselBridge.Property<T>);
        value(): T;
        value(v: TesselBridge.PropertyInput): this;
        /** Without createUndoCommand at once; with it through one undo entry. */
        setValue(value: TesselBridge.PropertyInput, createUndoCommand?: boolean): void;
        /** Fires "changed". */
        reset(): this;
        /** The property id. */
        id(): string;
        trigger_changed(): void;
    }
    interface Property<T extends Variant = Variant>
        extends Wrapper<TesselBridge.Property<T>, { changed: [Property<T>] }> {}

    /** The properties of one manifest group, as members named by property id. */
    class Object {
        /** Attaches handle when one is given. */
        constructor(handle?: TesselBridge.PropertyContainer);
        /** Resets every property. */
        reset(): this;
        /** The property ids. */
        properties(): string[];
    }
    interface Object extends Wrapper<TesselBridge.PropertyContainer, {}> {}
    /** A group with its properties; a page declares its groups as Zeb members of this type. */
    type Group<P extends { [id: string]: Property<any> }> = Object & P;

    class SymbolLinking {
        /** Attaches handle when one is given. */
        constructor(handle?: TesselBridge.Document);
        /** Links the windows of the host to symbol. */
        activate(symbol: string): void;
        trigger_activated(): void;
    }
    interface SymbolLinking extends Wrapper<TesselBridge.Document, { activated: [string] }> {}

    /** Formatter slots; those taking a formatterId throw unless a symbol-info answer of this
     *  page delivered it (TypeError "formatterId is required and must be a string", Error "no
     *  formatter registered for foramtterId <id>"). */
    class Formatter {
        /** Attaches handle when one is given. */
        constructor(handle?: TesselBridge.Formatter);
        formatPrice(value: number, formatterId: string): string;
        parsePrice(value: string, formatterId: string): number | null;
        formatDateTime(value: Date, formatterId: string): string;
        parseDateTime(value: string, formatterId: string): Date | null;
        formatCurrency(value: number, formatterId: string, showCurrencySign: boolean): string;
        formatVolume(n: number): string;
        parseVolume(str: string): number | null;
        formatDate(d: Date): string;
        parseDate(str: string): Date | null;
        formatTime(d: Date): string;
        parseTime(str: string): Date | null;
        /** Throws TypeError "precision is required and must be a number" without one. */
        formatNumber(number: number, precision: number): string;
        trigger_settingsChanged(): void;
    }
    interface Formatter extends Wrapper<TesselBridge.Formatter, { settingsChanged: [Formatter] }> {}

    class Bridge {
        /** Attaches handle when one is given. */
        constructor(handle?: TesselBridge.Document);
        contextMenuActions(): string[];
        contextMenuActions(v: readonly string[]): this;
        mainMenuActions(): string[];
        mainMenuActions(v: readonly string[]): this;
        windowActive(): boolean;
        theme(): string;
        apiVersion(): string;
        pluginVersion(): string;
        readyStatus(): TesselBridge.ReadyStatus | '';
        readyStatus(v: TesselBridge.ReadyStatus): this;
        readyStatusText(): string;
        readyStatusText(v: string): this;
        documentDesc(): string;
        documentDesc(v: string): this;
        windowTitle(): string;
        windowTitle(v: string): this;
        isFeatureEnabled(feature: string): boolean;
        translateSymbol(symbol: string): string;
        openUrl(url: string): void;
        notifyContextChanged(): void;
        log(text: string, severity?: TesselBridge.LogSeverity): void;
        showFakeMenu(x: number, y: number): void;
        /** readyStatus "error" with txt. */
        showErrorStatus(txt: string): this;
        /** readyStatus "initializing" with txt. */
        showLoadingStatus(txt: string): this;
        /** readyStatus "ready" with txt. */
        showReadyStatus(txt: string): this;
        /** readyStatus "noStatus". */
        hideStatus(): this;
        /** Calls func with the context the window was opened with, if any (once). */
        takeCreationContext(func: (context: TesselBridge.Context) => void): this;
        trigger_initContextData(): void;
        trigger_initContextMenu(): void;
        trigger_symbolDrop(): void;
        trigger_windowActive(): void;
    }
    interface Bridge extends Wrapper<TesselBridge.Document, {
        initContextData: [TesselBridge.Context];
        initContextMenu: [Bridge, TesselBridge.Context];
        symbolDrop: [string[]];
        windowActive: [boolean];
    }> {}

    class Datafeed {
        /** Attaches handle when one is given. */
        constructor(handle?: TesselBridge.Datafeed);
        /** The next rid; starts at 1. */
        _rid: number;
        /** Running rids with the method that started each. */
        _activeRids: { [rid: string]: string };
        /** Formatter ids learnt from symbol-info answers, by symbol; null after a failure. */
        _formatterIds: { [symbol: string]: string | null };

        username(): string;
        request(r: TesselBridge.Request): boolean;

        /** Each start... sends one request and returns its rid; it throws an Error "Failed to
         *  start <method> request with following params: ..." when the datafeed refuses it. */
        startSymbolInfo(symbol: string, symbology?: TesselBridge.Symbology): number;
        startQuote(symbol: string, fields: readonly string[], realtime?: boolean): number;
        startChain(symbol: string, date?: Date | number | string | null, isShowAsOutright?: boolean): number;
        /** date: the end date, a Date or milliseconds since the epoch. */
        startHistory(symbol: string, itemCount: number, date: number | Date): number;
        startNews(symbols: readonly string[], service: string, categories: readonly string[],
                  daysBack: number, hoursBack: number, keywords: readonly string[],
                  keywordsOr: boolean, wholeWord: boolean, caseSensitive: boolean,
                  historyLimit: number, realtime: boolean): number;
        startNewsBody(storyId: string): number;

        /** Learns the symbol's formatterId on "ok". */
        requestSymbolInfo(symbol: string, realtime?: boolean,
                          symbology?: TesselBridge.Symbology): Request<TesselBridge.SymbolInfoResponse>;
        requestQuote(symbol: string, fields: readonly string[],
                     realtime?: boolean): Request<TesselBridge.QuoteResponse>;
        requestHistory(symbol: string, itemCount: number, endDate: number | Date,
                       realtime?: boolean): Request<TesselBridge.HistoryResponse>;
        requestNews(symbols: readonly string[], service: string, categories: readonly string[],
                    daysBack: number, hoursBack: number, keywords: readonly string[],
                    keywordsOr: boolean, wholeWord: boolean, caseSensitive: boolean,
                    historyLimit: number, realtime: boolean): Request<TesselBridge.NewsResponse>;
        requestChain(symbol: string, date?: Date | number | string | null,
                     isShowAsOutright?: boolean): Request<TesselBridge.ChainResponse>;
        requestNewsBody(storyId: string): Request<TesselBridge.NewsBodyResponse>;
        /** The symbol's formatterId, asking for symbol information when it is not known yet;
         *  "" when that request could not start. */
        getFormatterId(symbol: string): Promise<string> | '';

        /** Sends "stop" for a running rid; nothing for another. */
        stop(rid: number | string): this;
        generateRid(comment?: string): number;
        getActiveRids(): { [rid: string]: string };
        /** Stops every running request and starts the rids at 1 again. */
        reset(): this;
        trigger_response(): void;
    }
    interface Datafeed extends Wrapper<TesselBridge.Datafeed, { response: [TesselBridge.Response] }> {}

    /** Header controls by id; a page names its own by merging into this interface. */
    interface HeaderControls {
        readonly [id: string]: Control | undefined;
    }
    /** Actions by id; a page names its own by merging into this interface. */
    interface ActionMap {
        readonly [id: string]: Action | undefined;
    }
    /** Commands by id; a page names its own by merging into this interface. */
    interface CommandMap {
        readonly [id: string]: Command | undefined;
    }

    /** The native bridge. */
    const _h: TesselBridge.Document;
    const header: HeaderControls;
    const actions: ActionMap;
    const commands: CommandMap;
    const symbolLinking: SymbolLinking;
    const formatter: Formatter;
    const bridge: Bridge;
    const datafeed: Datafeed;
}
