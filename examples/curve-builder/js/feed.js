// Feed: the page's datafeed requests through _quorvex_bridge, each answered through its own
// callback. Every example carries its own copy: a bundle reaches no file outside itself.
window.Feed = (function () {
    'use strict';

    const bridge = window._quorvex_bridge;

    // The host's texts for the data service's error codes; chain and history failures carry
    // the code only.
    const errorTexts = {
        1: 'Unknown symbol',
        2: 'Invalid request',
        3: 'Not entitled to the requested data',
        4: 'Data not available',
        5: 'Data service unavailable',
        6: 'Request timed out',
        7: 'Internal error of the data service'
    };

    const callbacks = new Map();
    const connections = [];
    let lastId = 0;

    // Connects a host signal; every connection is undone before the page goes away, because
    // host objects outlive the page and would call into it.
    function connect(signal, callback) {
        signal.connect(callback);
        connections.push([signal, callback]);
    }

    window.addEventListener('beforeunload', () => {
        connections.forEach(([signal, callback]) => signal.disconnect(callback));
        connections.length = 0;
        callbacks.clear();
    });

    if (bridge)
        connect(bridge.datafeed.response, (answer) => {
            const callback = callbacks.get(String(answer.request.rid));
            if (callback)
                callback(answer);
        });

    return {
        bridge: bridge,
        connect: connect,

        // Sends request (a map without "rid"); callback receives each of its answers. Returns
        // the request's rid, or null when the datafeed refused the map (Plugin Output says why).
        start(request, callback) {
            const rid = request.type + '-' + (++lastId);
            request.rid = rid;
            callbacks.set(rid, callback);
            if (bridge.datafeed.request(request))
                return rid;
            callbacks.delete(rid);
            return null;
        },

        // Ends a request started here; null and rids already stopped are ignored.
        stop(rid) {
            if (rid === null || !callbacks.delete(rid))
                return;
            bridge.datafeed.request({ type: 'stop', rid: rid });
        },

        // What a "fail" answer says, for the user.
        errorText(answer) {
            const error = answer.error || {};
            return error.errorMessage || errorTexts[error.errorCode]
                || 'Error ' + (error.errorCode === undefined ? '(no code)' : error.errorCode);
        },

        // The page's ready status in the window's caption.
        status(status, text) {
            bridge.readyStatus = status;
            bridge.readyStatusText = text;
        }
    };
}());
