// News Reader: one realtime "news" request for the filters above the list, restarted when they
// change; choosing a headline asks "newsbody" for its story, shown as text, as HTML (in a
// sandboxed frame, so a story runs no script) or as a link. Requests go through the page
// library's Zeb.datafeed.
(function () {
    'use strict';

    const HistoryLimit = 200;
    const MaxHeadlines = 500;
    const NewMilliseconds = 4000;
    const StoryStyles = {
        black: 'body { background: #1b1e23; color: #d8dde3; } a { color: #64b5f6; }',
        white: 'body { background: #ffffff; color: #202124; } a { color: #1a73e8; }'
    };

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
    const news = { request: null, headlines: [], ids: new Set(), answered: false };
    const story = { request: null, id: '' };
    let following = true;

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

    // "ACME.QB, nrth.n GLBX" -> ["ACME.QB", "NRTH.N", "GLBX"]
    function words(text, separator) {
        return text.split(separator).map((word) => word.trim()).filter((word) => word);
    }

    function showMessage(id, text, isError) {
        const element = byId(id);
        element.textContent = text;
        element.className = 'message' + (isError ? ' error' : '');
        element.hidden = !text;
    }

    // The filters above the list; the look-back period not chosen is 0 (not given).
    function filter() {
        const [key, amount] = byId('lookBack').value.split(':');
        return {
            symbols: words(byId('symbols').value.toUpperCase(), /[\s,]+/).map((symbol) => Zeb.bridge.translateSymbol(symbol)),
            categories: words(byId('categories').value, ','),
            keywords: words(byId('keywords').value, /[\s,]+/),
            keywordsOr: byId('anyKeyword').checked,
            daysBack: key === 'daysBack' ? Number(amount) : 0,
            hoursBack: key === 'hoursBack' ? Number(amount) : 0
        };
    }

    function describeFilter(request) {
        const parts = [];
        if (request.symbols.length > 0)
            parts.push(request.symbols.join(' '));
        if (request.categories.length > 0)
            parts.push(request.categories.join(', '));
        if (request.keywords.length > 0)
            parts.push('"' + request.keywords.join(request.keywordsOr ? '" or "' : '" and "') + '"');
        return parts.length > 0 ? parts.join(' \u00b7 ') : 'All news';
    }

    function timeText(time) {
        return Zeb.formatter.formatTime(time);
    }

    // The headlines' times again, after the host's formatting changed.
    function reformatTimes() {
        Array.prototype.forEach.call(byId('list').children, (item, index) => {
            item.querySelector('.time').textContent = timeText(news.headlines[index].time);
        });
    }

    function chip(text, className, onClick) {
        const element = document.createElement('span');
        element.className = className;
        element.textContent = text;
        if (onClick) {
            element.title = 'Show ' + text + ' in the linked windows';
            element.addEventListener('click', (event) => {
                event.stopPropagation();
                onClick();
            });
        }
        return element;
    }

    function headlineItem(headline, isNew) {
        const item = document.createElement('li');
        item.dataset.story = headline.storyID;
        if (isNew) {
            item.classList.add('new');
            setTimeout(() => item.classList.remove('new'), NewMilliseconds);
        }
        const meta = document.createElement('div');
        meta.className = 'meta';
        meta.appendChild(chip(timeText(headline.time), 'time'));
        meta.appendChild(chip(headline.source, 'source'));
        headline.symbols.forEach((symbol) => {
            meta.appendChild(chip(symbol, 'symbol', () => Zeb.symbolLinking.activate(symbol)));
        });
        const text = document.createElement('div');
        text.className = 'text';
        text.textContent = headline.text;
        const categories = document.createElement('div');
        categories.className = 'categories';
        categories.textContent = headline.categories.join(' \u00b7 ');
        item.appendChild(meta);
        item.appendChild(text);
        item.appendChild(categories);
        item.addEventListener('click', () => read(headline));
        if (headline.storyID === story.id)
            item.classList.add('chosen');
        return item;
    }

    function showNewsFailure(text) {
        showMessage('listMessage', 'Headlines: ' + text, true);
        Zeb.bridge.showErrorStatus(text);
    }

    function onNews(answer) {
        // The first answer holds the look-back period; later ones bring live headlines.
        const live = news.answered;
        news.answered = true;
        const list = byId('list');
        const fresh = answer.data.headlines.filter((headline) => !news.ids.has(headline.storyID));
        fresh.sort((a, b) => a.time - b.time);
        fresh.forEach((headline) => {
            news.ids.add(headline.storyID);
            news.headlines.unshift(headline);
            list.insertBefore(headlineItem(headline, live), list.firstChild);
        });
        while (news.headlines.length > MaxHeadlines) {
            news.ids.delete(news.headlines.pop().storyID);
            list.removeChild(list.lastChild);
        }
        // The newest story is shown until the user chooses another.
        if (!story.id && news.headlines.length > 0)
            read(news.headlines[0]);
        showMessage('listMessage', news.headlines.length === 0 ? 'No headlines match these filters yet' : '', false);
        Zeb.bridge.showReadyStatus(news.headlines.length + ' headlines');
    }

    function apply() {
        news.request = stopRequest(news.request);
        clearStory();
        news.headlines = [];
        news.ids.clear();
        news.answered = false;
        byId('list').innerHTML = '';
        const chosen = filter();
        Zeb.bridge.documentDesc(describeFilter(chosen));
        showMessage('listMessage', 'Loading headlines', false);
        Zeb.bridge.showLoadingStatus('Loading headlines');
        try {
            news.request = Zeb.datafeed.requestNews(chosen.symbols, '', chosen.categories, chosen.daysBack,
                                                    chosen.hoursBack, chosen.keywords, chosen.keywordsOr,
                                                    false, false, HistoryLimit, true)
                .progress(onNews)
                .fail((answer) => showNewsFailure(errorText(answer)));
        } catch (error) {
            showMessage('listMessage', 'The headline request was refused (see Plugin Output)', true);
            Zeb.bridge.showErrorStatus('Request refused');
        }
    }

    function showStory(kind, content) {
        byId('storyText').hidden = kind !== 'text';
        byId('storyHtml').hidden = kind !== 'html';
        byId('storyLink').hidden = kind !== 'url';
        if (kind === 'text') {
            byId('storyText').textContent = content;
        } else if (kind === 'html') {
            byId('storyHtml').srcdoc = '<!DOCTYPE html><html><head><meta charset="utf-8"><style>'
                + 'body { margin: 0; font: 13px sans-serif; line-height: 1.45; } h1 { font-size: 17px; }'
                + StoryStyles[Zeb.bridge.theme() === 'white' ? 'white' : 'black'] + '</style></head><body>'
                + content + '</body></html>';
        } else if (kind === 'url') {
            byId('storyUrl').textContent = content;
            byId('storyUrl').dataset.url = content;
        }
    }

    // A story answers once: its request ends with the answer.
    function onStory(answer) {
        story.request = null;
        const kind = answer.data.type;
        if (kind !== 'text' && kind !== 'html' && kind !== 'url') {
            showStory('', '');
            showMessage('storyMessage', 'The story has no content the reader can show', true);
            return;
        }
        showMessage('storyMessage', '', false);
        showStory(kind, answer.data.content || '');
    }

    function onStoryFailure(answer) {
        story.request = null;
        showStory('', '');
        showMessage('storyMessage', 'Story: ' + errorText(answer), true);
    }

    function clearStory() {
        story.request = stopRequest(story.request);
        story.id = '';
        byId('storyHeading').hidden = true;
        showStory('', '');
        showMessage('storyMessage', 'Choose a headline to read its story.', false);
    }

    function read(headline) {
        story.request = stopRequest(story.request);
        story.id = headline.storyID;
        byId('storyMeta').textContent = timeText(headline.time) + ' \u00b7 ' + headline.source;
        byId('storyTitle').textContent = headline.text;
        byId('storyHeading').hidden = false;
        Array.prototype.forEach.call(byId('list').children, (item) => {
            item.classList.toggle('chosen', item.dataset.story === story.id);
        });
        showStory('', '');
        showMessage('storyMessage', 'Loading the story', false);
        try {
            story.request = Zeb.datafeed.requestNewsBody(headline.storyID).done(onStory).fail(onStoryFailure);
        } catch (error) {
            showMessage('storyMessage', 'The story request was refused (see Plugin Output)', true);
        }
    }

    function onLinked(symbol) {
        if (!following)
            return;
        byId('symbols').value = symbol;
        apply();
    }

    if (!window.Zeb) {
        showMessage('listMessage', 'Open this page in the host: it needs the host\'s market data', true);
        return;
    }
    document.body.className = 'theme-' + Zeb.bridge.theme();

    const followAction = Zeb.actions.follow;
    if (followAction) {
        followAction.checked(following);
        followAction.bind('activated', (action, checked) => { following = checked; });
    }
    Zeb.bridge.mainMenuActions(['follow', '-', 'refresh']);
    Zeb.bridge.contextMenuActions(['follow', '-', 'copy', 'selectAll', '-', 'refresh']);
    Zeb.formatter.bind('settingsChanged', reformatTimes);
    Zeb.symbolLinking.bind('activated', onLinked);
    Zeb.bridge.bind('initContextData', (context) => {
        const symbols = words(byId('symbols').value.toUpperCase(), /[\s,]+/);
        if (symbols.length > 0)
            context.symbol = symbols[0];
    });

    byId('filters').addEventListener('submit', (event) => {
        event.preventDefault();
        apply();
    });
    byId('storyUrl').addEventListener('click', (event) => {
        event.preventDefault();
        Zeb.bridge.openUrl(event.currentTarget.dataset.url);
    });
    Zeb.bridge.takeCreationContext((context) => {
        if (context.containsSymbol())
            byId('symbols').value = context.symbol;
    });
    apply();
}());
