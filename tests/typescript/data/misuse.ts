// Each marked line is one misuse that tessel.d.ts must reject with the error code named at its
// end; no other line may give an error.

declare namespace Zeb {
    const display: Zeb.Group<{ decimals: Zeb.Property<number> }>;
    interface HeaderControls {
        readonly period: Zeb.ComboBox;
    }
}

_quorvex_bridge.readyStatus = 'Ready';                                  // error TS2820
_quorvex_bridge.apiVersion = '2.0';                                     // error TS2540
_quorvex_bridge.isWindowActive = true;                                  // error TS2540
_quorvex_bridge.log('text', 5);                                         // error TS2345
_quorvex_bridge.setSymbolLinking(42);                                   // error TS2345
_quorvex_bridge.showFakeMenu('10', '20');                               // error TS2345
_quorvex_bridge.mainMenuActions = 'refresh';                            // error TS2322
_quorvex_bridge.symbolDrop.connect((symbols: string) => symbols);       // error TS2345
_quorvex_bridge.takeCreationContext().symbol;                           // error TS2531
_quorvex_bridge.datafeed.request({ type: 'quote', symbol: 'ACME.QB' }); // error TS2345
_quorvex_bridge.datafeed.request({ type: 'bars', rid: 1 });             // error TS2322
_quorvex_bridge.datafeed.request({ type: 'history', rid: 1, symbol: 'X', endDate: '2024-01-31' }); // error TS2322
_quorvex_bridge.datafeed.request({ type: 'symbolinfo', rid: 1, symbol: 'X', symbology: 'ISIN' }); // error TS2820
_quorvex_bridge.datafeed.request({ type: 'newsbody', rid: 2 });         // error TS2345
_quorvex_bridge.datafeed.formatter.formatPrice('1.5', 'CLZ27');         // error TS2345
_quorvex_bridge.datafeed.formatter.formatCurrency(1.5, 'CLZ27');        // error TS2554
_quorvex_bridge.datafeed.formatter.formatDate('2024-01-31');            // error TS2345
_quorvex_bridge.datafeed.username = 'someone';                          // error TS2540
_quorvex_bridge.commands[0].activate();                                 // error TS2554
_quorvex_bridge.objects.objects[0].objects[0].value = null;             // error TS2322
_quorvex_bridge.objects.objects[0].objects[0].fontSize = '12';          // error TS2322
_quorvex_bridge.header.controls[0].value = 3;                           // error TS2322
Zeb.header.period.value(3);                                             // error TS2345
Zeb.header.period.bind('changed', () => undefined);                     // error TS2769
Zeb.display.decimals.value().toUpperCase();                             // error TS2339
Zeb.formatter.formatNumber(1.5);                                        // error TS2554
Zeb.datafeed.requestSymbolInfo('CLZ27', 'yes');                         // error TS2345
Zeb.datafeed.requestQuote('CLZ27', 'Last');                             // error TS2345
Zeb.datafeed.requestHistory('CLZ27', 20, '2024-01-31');                 // error TS2345
Zeb.datafeed.requestChain('CL#').done((answer) => answer.data);         // error TS2339
Zeb.datafeed.getFormatterId('CLZ27').done((id: string) => id);          // error TS2339
Zeb.bridge.theme('black');                                              // error TS2554
Zeb.bridge.readyStatus('Ready');                                        // error TS2345
Zeb.bridge.takeCreationContext((context) => context.symbols);           // error TS2551
Zeb.header.period.showDialog();                                         // error TS2339
Zeb.commands.addRow.activate({ symbol: 'X' });                          // error TS18048
Zeb.unknownGroup.reset();                                               // error TS2339
