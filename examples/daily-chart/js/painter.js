// ChartPainter: draws daily bars on a canvas: candles, an optional volume pane, the price axis
// on the right, the date axis below, the last price and a crosshair.
window.ChartPainter = (function () {
    'use strict';

    const AxisWidth = 72;
    const AxisHeight = 22;
    const Padding = 8;
    const LegendHeight = 20;
    const VolumeShare = 0.2;
    const PaneGap = 8;
    const MaxBarSpacing = 18;
    const MinDateSpacing = 64;
    const MinPriceSpacing = 36;
    const Font = '11px sans-serif';
    const MonthNames = ['Jan', 'Feb', 'Mar', 'Apr', 'May', 'Jun', 'Jul', 'Aug', 'Sep', 'Oct', 'Nov', 'Dec'];
    const MsecsPerDay = 86400000;

    const Themes = {
        black: { background: '#1b1e23', grid: '#262b31', axis: '#8b949e', line: '#3a4048',
                 up: '#26a69a', down: '#ef5350', cross: '#7d8590', labelText: '#ffffff',
                 crossLabel: '#3a4048' },
        white: { background: '#ffffff', grid: '#f0f2f4', axis: '#5f6368', line: '#d0d4d9',
                 up: '#089981', down: '#e53935', cross: '#9aa0a6', labelText: '#ffffff',
                 crossLabel: '#5f6368' }
    };

    // Date-axis levels, finest first: the key that changes at a label, and the label's text.
    const DateLevels = [
        { key: (d) => Math.floor((d.getTime() / MsecsPerDay + 3) / 7),
          text: (d) => d.getUTCDate() + ' ' + MonthNames[d.getUTCMonth()] },
        { key: (d) => d.getUTCFullYear() * 12 + d.getUTCMonth(), text: monthText },
        { key: (d) => d.getUTCFullYear() * 4 + Math.floor(d.getUTCMonth() / 3), text: monthText },
        { key: (d) => d.getUTCFullYear(), text: (d) => String(d.getUTCFullYear()) },
        { key: (d) => Math.floor(d.getUTCFullYear() / 5), text: (d) => String(d.getUTCFullYear()) }
    ];

    function monthText(date) {
        return date.getUTCMonth() === 0 ? String(date.getUTCFullYear()) : MonthNames[date.getUTCMonth()];
    }

    // The smallest of 1, 2 and 5 times a power of ten that is at least raw.
    function niceStep(raw) {
        const power = Math.pow(10, Math.floor(Math.log(raw) / Math.LN10));
        const steps = [1, 2, 5, 10];
        for (let i = 0; i < steps.length; ++i) {
            if (steps[i] * power >= raw)
                return steps[i] * power;
        }
        return 10 * power;
    }

    function Painter(canvas, theme) {
        this.canvas = canvas;
        this.colors = Themes[theme] || Themes.black;
    }

    // Where everything goes for bars in a canvas of width by height CSS pixels.
    Painter.prototype.layout = function (bars, width, height, showVolume) {
        const plot = { left: Padding, top: Padding + LegendHeight, right: width - AxisWidth, bottom: height - AxisHeight };
        const priceBottom = showVolume ? plot.bottom - (plot.bottom - plot.top) * VolumeShare - PaneGap
                                       : plot.bottom;
        let low = Infinity;
        let high = -Infinity;
        let maxVolume = 0;
        bars.forEach((bar) => {
            low = Math.min(low, bar.low);
            high = Math.max(high, bar.high);
            maxVolume = Math.max(maxVolume, bar.volume);
        });
        if (high <= low) {
            high += 1;
            low -= 1;
        }
        const margin = (high - low) * 0.06;
        low -= margin;
        high += margin;
        const spacing = Math.min(MaxBarSpacing, (plot.right - plot.left) / Math.max(bars.length, 1));
        return {
            plot: plot,
            priceBottom: priceBottom,
            low: low,
            high: high,
            maxVolume: maxVolume,
            spacing: spacing,
            x: (index) => plot.right - (bars.length - index - 0.5) * spacing,
            y: (price) => plot.top + (high - price) / (high - low) * (priceBottom - plot.top),
            price: (y) => high - (y - plot.top) / (priceBottom - plot.top) * (high - low),
            volumeY: (volume) => plot.bottom - (maxVolume > 0 ? volume / maxVolume : 0)
                                 * (plot.bottom - priceBottom - PaneGap),
            index: (x) => Math.floor(bars.length - (plot.right - x) / spacing)
        };
    };

    // Paints the chart; view holds bars, showVolume, hover ({x, y} or null) and the formatting
    // functions price, volume and date. Returns the index of the bar under the mouse, or -1.
    Painter.prototype.paint = function (view) {
        const ratio = window.devicePixelRatio || 1;
        const width = this.canvas.clientWidth;
        const height = this.canvas.clientHeight;
        if (this.canvas.width !== Math.round(width * ratio) || this.canvas.height !== Math.round(height * ratio)) {
            this.canvas.width = Math.round(width * ratio);
            this.canvas.height = Math.round(height * ratio);
        }
        const context = this.canvas.getContext('2d');
        context.setTransform(ratio, 0, 0, ratio, 0, 0);
        context.fillStyle = this.colors.background;
        context.fillRect(0, 0, width, height);
        context.font = Font;
        if (view.bars.length === 0 || width < AxisWidth * 2 || height < AxisHeight * 3)
            return -1;

        const layout = this.layout(view.bars, width, height, view.showVolume);
        this.paintPriceAxis(context, layout, view);
        this.paintDateAxis(context, layout, view);
        this.paintBars(context, layout, view);
        this.paintLastPrice(context, layout, view);
        return this.paintCrosshair(context, layout, view);
    };

    Painter.prototype.paintPriceAxis = function (context, layout, view) {
        const plot = layout.plot;
        const step = niceStep((layout.high - layout.low) / Math.max(1, (layout.priceBottom - plot.top) / MinPriceSpacing));
        context.textBaseline = 'middle';
        context.textAlign = 'left';
        for (let price = Math.ceil(layout.low / step) * step; price <= layout.high; price += step) {
            const y = Math.round(layout.y(price)) + 0.5;
            this.line(context, plot.left, y, plot.right, y, this.colors.grid);
            context.fillStyle = this.colors.axis;
            context.fillText(view.price(price), plot.right + 6, y);
        }
        this.line(context, plot.right + 0.5, plot.top, plot.right + 0.5, plot.bottom, this.colors.line);
        if (view.showVolume && layout.maxVolume > 0) {
            const y = Math.round(layout.volumeY(layout.maxVolume)) + 0.5;
            this.line(context, plot.left, y - PaneGap / 2, plot.right, y - PaneGap / 2, this.colors.line);
            context.fillStyle = this.colors.axis;
            context.fillText(view.volume(layout.maxVolume), plot.right + 6, y + 6);
        }
    };

    Painter.prototype.paintDateAxis = function (context, layout, view) {
        const plot = layout.plot;
        const bars = view.bars;
        const width = plot.right - plot.left;
        const level = DateLevels.find((candidate) => {
            let changes = 0;
            for (let i = 1; i < bars.length; ++i) {
                if (candidate.key(bars[i].time) !== candidate.key(bars[i - 1].time))
                    ++changes;
            }
            return changes === 0 || Math.min(width, bars.length * layout.spacing) / changes >= MinDateSpacing;
        }) || DateLevels[DateLevels.length - 1];

        context.textAlign = 'center';
        context.textBaseline = 'top';
        let lastX = -Infinity;
        for (let i = 1; i < bars.length; ++i) {
            if (level.key(bars[i].time) === level.key(bars[i - 1].time))
                continue;
            const x = Math.round(layout.x(i)) + 0.5;
            if (x - lastX < MinDateSpacing * 0.75 || x < plot.left + 16)
                continue;
            lastX = x;
            this.line(context, x, plot.top, x, plot.bottom, this.colors.grid);
            context.fillStyle = this.colors.axis;
            context.fillText(level.text(bars[i].time), x, plot.bottom + 5);
        }
        this.line(context, plot.left, plot.bottom + 0.5, plot.right, plot.bottom + 0.5, this.colors.line);
    };

    Painter.prototype.paintBars = function (context, layout, view) {
        const body = Math.max(1, Math.floor(layout.spacing * 0.7));
        view.bars.forEach((bar, index) => {
            const x = Math.round(layout.x(index));
            const color = bar.close >= bar.open ? this.colors.up : this.colors.down;
            context.fillStyle = color;
            const top = Math.round(layout.y(Math.max(bar.open, bar.close)));
            const bottom = Math.round(layout.y(Math.min(bar.open, bar.close)));
            const highY = Math.round(layout.y(bar.high));
            const lowY = Math.round(layout.y(bar.low));
            context.fillRect(x, highY, 1, lowY - highY + 1);
            context.fillRect(x - Math.floor(body / 2), top, body, Math.max(1, bottom - top));
            if (view.showVolume) {
                const volumeTop = Math.round(layout.volumeY(bar.volume));
                context.globalAlpha = 0.5;
                context.fillRect(x - Math.floor(body / 2), volumeTop, body, layout.plot.bottom - volumeTop);
                context.globalAlpha = 1;
            }
        });
    };

    Painter.prototype.paintLastPrice = function (context, layout, view) {
        const bars = view.bars;
        const last = bars[bars.length - 1];
        const previous = bars.length > 1 ? bars[bars.length - 2].close : last.open;
        const color = last.close >= previous ? this.colors.up : this.colors.down;
        const y = Math.round(layout.y(last.close)) + 0.5;
        context.setLineDash([2, 3]);
        this.line(context, layout.plot.left, y, layout.plot.right, y, color);
        context.setLineDash([]);
        this.label(context, view.price(last.close), layout.plot.right, y, color);
    };

    Painter.prototype.paintCrosshair = function (context, layout, view) {
        const hover = view.hover;
        const plot = layout.plot;
        if (!hover || hover.x < plot.left || hover.x > plot.right || hover.y < plot.top || hover.y > plot.bottom)
            return -1;
        const index = Math.max(0, Math.min(view.bars.length - 1, layout.index(hover.x)));
        const x = Math.round(layout.x(index)) + 0.5;
        const y = Math.round(hover.y) + 0.5;
        context.setLineDash([4, 3]);
        this.line(context, x, plot.top, x, plot.bottom, this.colors.cross);
        this.line(context, plot.left, y, plot.right, y, this.colors.cross);
        context.setLineDash([]);
        if (hover.y <= layout.priceBottom)
            this.label(context, view.price(layout.price(hover.y)), plot.right, y, this.colors.crossLabel);
        const text = view.date(view.bars[index].time);
        const textWidth = context.measureText(text).width + 12;
        const left = Math.max(plot.left, Math.min(plot.right - textWidth, x - textWidth / 2));
        context.fillStyle = this.colors.crossLabel;
        context.fillRect(left, plot.bottom + 1, textWidth, AxisHeight - 2);
        context.fillStyle = this.colors.labelText;
        context.textAlign = 'center';
        context.textBaseline = 'top';
        context.fillText(text, left + textWidth / 2, plot.bottom + 5);
        return index;
    };

    // A price label on the axis at y.
    Painter.prototype.label = function (context, text, left, y, color) {
        context.fillStyle = color;
        context.fillRect(left + 1, y - 9, AxisWidth - 2, 18);
        context.fillStyle = this.colors.labelText;
        context.textAlign = 'left';
        context.textBaseline = 'middle';
        context.fillText(text, left + 6, y);
    };

    Painter.prototype.line = function (context, x1, y1, x2, y2, color) {
        context.strokeStyle = color;
        context.lineWidth = 1;
        context.beginPath();
        context.moveTo(x1, y1);
        context.lineTo(x2, y2);
        context.stroke();
    };

    return Painter;
}());
