// Members: reads the symbols of a chain and groups them as the viewer shows them. Options go by
// series (expiration, and region when there is one), one row per strike with its call and put;
// futures contracts and spreads form a list. The symbol forms are those of docs/market-data.md.
window.Members = (function () {
    'use strict';

    const MonthCodes = 'FGHJKMNQUVXZ';
    const MonthNames = ['Jan', 'Feb', 'Mar', 'Apr', 'May', 'Jun', 'Jul', 'Aug', 'Sep', 'Oct', 'Nov', 'Dec'];
    // ROOT YYMMDD RIGHT STRIKE [/REGION]
    const StockOption = /^([A-Z][A-Z0-9]{0,7}) (\d\d)(\d\d)(\d\d)([CP])(\d+(?:\.\d+)?)(?:\/([A-Z]{1,5}))?$/;
    // CONTRACT RIGHT STRIKE
    const FuturesOption = /^(\S+) ([CP])(\d+(?:\.\d+)?)$/;
    // ROOT MONTH YY
    const FuturesContract = /^([A-Z][A-Z0-9]{0,7}?)([FGHJKMNQUVXZ])(\d\d)$/;

    function contractMonth(symbol) {
        const match = FuturesContract.exec(symbol);
        return match ? MonthNames[MonthCodes.indexOf(match[2])] + ' 20' + match[3] : '';
    }

    // One member: its symbol, and either option {series, label, right, strike} or the
    // expiration text of a contract or spread.
    function parse(symbol) {
        let match = StockOption.exec(symbol);
        if (match) {
            const region = match[7] ? ' /' + match[7] : '';
            return {
                symbol: symbol,
                option: {
                    series: match[2] + match[3] + match[4] + region,
                    label: Number(match[4]) + ' ' + MonthNames[Number(match[3]) - 1] + ' 20' + match[2] + region,
                    right: match[5],
                    strike: Number(match[6]),
                    strikeText: match[6]
                }
            };
        }
        match = FuturesOption.exec(symbol);
        if (match) {
            return {
                symbol: symbol,
                option: { series: match[1], label: match[1] + ' (' + contractMonth(match[1]) + ')',
                          right: match[2], strike: Number(match[3]), strikeText: match[3] }
            };
        }
        const legs = symbol.split('-');
        return { symbol: symbol, expiration: legs.map(contractMonth).filter((text) => text).join(' / ') };
    }

    // The members of a chain, in chain order: {series: [{key, label, rows}], others: [member]};
    // rows are {strike, strikeText, C, P} by rising strike.
    function group(symbols) {
        const series = [];
        const seriesByKey = new Map();
        const others = [];
        symbols.forEach((symbol) => {
            const member = parse(symbol);
            if (!member.option) {
                others.push(member);
                return;
            }
            let entry = seriesByKey.get(member.option.series);
            if (!entry) {
                entry = { key: member.option.series, label: member.option.label, rows: [], byStrike: new Map() };
                seriesByKey.set(entry.key, entry);
                series.push(entry);
            }
            let row = entry.byStrike.get(member.option.strike);
            if (!row) {
                row = { strike: member.option.strike, strikeText: member.option.strikeText, C: null, P: null };
                entry.byStrike.set(row.strike, row);
                entry.rows.push(row);
            }
            row[member.option.right] = member.symbol;
        });
        series.forEach((entry) => entry.rows.sort((a, b) => a.strike - b.strike));
        return { series: series, others: others };
    }

    return { parse: parse, group: group };
}());
