// Tessel page library: wraps the document's bridge object _quorvex_bridge into the global Zeb,
// with event-style wrappers of the native objects it hands out and promise-like datafeed
// requests. Requests need jQuery ($.Deferred) loaded by the page; nothing else does.
(function (root) {
    'use strict';

    var bridge = root._quorvex_bridge;
    if (!bridge) {
        throw new Error('tessel.js: _quorvex_bridge is missing; '
                        + 'the page is not running in a Tessel document');
    }
    // A second copy of the library on the same page would connect every native signal twice.
    if (root.Zeb && root.Zeb._h === bridge) {
        root.Zeb.output.warn('tessel.js is loaded more than once; the first copy stays in use');
        return;
    }

    var Zeb = {};
    Zeb._h = bridge;

    var slice = Array.prototype.slice;
    var hasOwn = function (obj, key) {
        return Object.prototype.hasOwnProperty.call(obj, key);
    };

    // ---- helpers

    // True for 0 and for anything that has the number methods toExponential and toFixed.
    function isNumber(obj) {
        return obj === 0 || !!(obj && obj.toExponential && obj.toFixed);
    }

    // Calls iterator(value, index or key, obj) with this = context for every element of an
    // array, an array-like object (numeric length) or every own key of an object.
    function each(obj, iterator, context) {
        if (obj === null || obj === undefined)
            return;
        if (Array.prototype.forEach && obj.forEach === Array.prototype.forEach) {
            obj.forEach(iterator, context);
        } else if (isNumber(obj.length)) {
            for (var i = 0, l = obj.length; i < l; i++)
                iterator.call(context, obj[i], i, obj);
        } else {
            for (var key in obj) {
                if (hasOwn(obj, key))
                    iterator.call(context, obj[key], key, obj);
            }
        }
    }

    // Copies into obj every property of the further arguments that is not undefined.
    function extend(obj) {
        each(slice.call(arguments, 1), function (source) {
            for (var prop in source) {
                if (source[prop] !== undefined)
                    obj[prop] = source[prop];
            }
        });
        return obj;
    }

    // ---- Events: mixed into every wrapper prototype; each method returns this.

    var Events = {
        // Adds callback to the list of event ev; it runs with this = context, or the object
        // when no context is given.
        bind: function (ev, callback, context) {
            var calls = this._callbacks || (this._callbacks = {});
            var list = calls[ev] || (calls[ev] = []);
            list.push([callback, context || this]);
            return this;
        },

        // No ev: drops every callback. ev alone: drops the callbacks of ev. ev and callback:
        // drops the first binding of callback to ev. A run of trigger in progress is not
        // disturbed: the entry becomes null and the run removes it when it meets it.
        unbind: function (ev, callback) {
            var calls;
            if (!ev) {
                this._callbacks = {};
            } else if ((calls = this._callbacks)) {
                if (!callback) {
                    calls[ev] = [];
                } else {
                    var list = calls[ev];
                    if (!list)
                        return this;
                    for (var i = 0, l = list.length; i < l; i++) {
                        if (list[i] && callback === list[i][0]) {
                            list[i] = null;
                            break;
                        }
                    }
                }
            }
            return this;
        },

        // Runs the callbacks of eventName with the further arguments, then those of "all" with
        // eventName first. Callbacks bound during the run wait for the next one.
        trigger: function (eventName) {
            var calls = this._callbacks;
            if (!calls)
                return this;
            for (var both = 2; both--;) {
                var ev = both ? eventName : 'all';
                var list = calls[ev];
                if (!list)
                    continue;
                var args = both ? slice.call(arguments, 1) : arguments;
                for (var i = 0, l = list.length; i < l; i++) {
                    var callback = list[i];
                    if (!callback) {
                        list.splice(i, 1);
                        i--;
                        l--;
                    } else {
                        callback[0].apply(callback[1], args);
                    }
                }
            }
            return this;
        }
    };

    // ---- Output: lines of the plug-in output log.

    Zeb.Output = function () {};
    extend(Zeb.Output.prototype, {
        err: function (e) { Zeb._h.outScriptErr(String(e)); },
        warn: function (e) { Zeb._h.outScriptWarn(String(e)); }
    });
    Zeb.output = new Zeb.Output();

    // ---- native connections, recorded so that they can all be undone before the page goes

    Zeb._connect = function (signalWrapper, signalObject, callback) {
        signalWrapper.connect(signalObject, callback);
        (Zeb._signals || (Zeb._signals = [])).push({
            signalWrapper: signalWrapper, signalObject: signalObject, callback: callback
        });
    };

    Zeb._disconnectAll = function () {
        each(Zeb._signals, function (c) {
            try {
                c.signalWrapper.disconnect(c.signalObject, c.callback);
            } catch (e) {
                Zeb.output.warn('Failed to disconnect a native signal: ' + e);
            }
        });
        Zeb._signals = [];
    };

    // Turns a native signal into the event name of zebObj; the wrapper itself is the event's
    // first argument unless skipThis.
    Zeb.SignalObject = function (name, skipThis, zebObj) {
        this.name = name;
        this.skipThis = skipThis;
        this.zebObj = zebObj;
    };
    Zeb.SignalObject.prototype.trigger = function () {
        var args = slice.call(arguments);
        if (!this.skipThis)
            args.unshift(this.zebObj);
        args.unshift(this.name);
        this.zebObj.trigger.apply(this.zebObj, args);
    };

    // ---- QObject: binds a wrapper to its native object this._h.

    Zeb.QObject = {
        attach: function (handle) {
            this._h = handle;
            this.init();
            return this;
        },

        // Event name fires when native signal origName does; trigger_<name>() fires it too.
        _signal: function (name, origName, skipThis) {
            var self = this;
            var signal = new Zeb.SignalObject(name, !!skipThis, this);
            this['trigger_' + name] = function () { return self.trigger(name); };
            Zeb._connect(this._h[origName || name], signal, signal.trigger);
        },

        // name() reads native property origName, name(v) writes it.
        _property: function (name, origName) {
            var key = origName || name;
            this[name] = function (v) {
                if (arguments.length === 0)
                    return this._h[key];
                this._h[key] = v;
                return this;
            };
        },

        // name(...) calls native slot origName with the same arguments.
        _slot: function (name, origName) {
            var key = origName || name;
            this[name] = function () {
                return Function.prototype.apply.call(this._h[key], this._h, arguments);
            };
        }
    };

    // A wrapper class: new Class(handle) attaches handle and runs init.
    function wrapperClass(init, methods) {
        var Class = function (handle) {
            if (handle)
                this.attach(handle);
        };
        extend(Class.prototype, Events, Zeb.QObject, {init: init}, methods);
        return Class;
    }

    // ---- header controls, actions, commands

    Zeb.ComboBox = wrapperClass(function () {
        this._property('value');
        this._property('options');
        this._signal('activated');
    });

    Zeb.SymbolEdit = wrapperClass(function () {
        this._property('value');
        this._signal('activated');
    });

    Zeb.InsertSymbolButton = wrapperClass(function () {
        this._property('symbol');
        this._property('date');
        this._property('dialogTitle');
        this._slot('showDialog');
        this._slot('closeDialog');
        this._slot('setError');
        this._slot('setAllowedSymbolTypes');
        this._signal('symbolAccepted');
        this._signal('symbolRejected');
    });

    Zeb.Button = wrapperClass(function () {
        this._signal('activated');
    });

    Zeb.ToggleButton = wrapperClass(function () {
        this._property('value');
        this._signal('activated');
    });

    Zeb.MenuButton = wrapperClass(function () {
        this._property('actions', 'action');
    });

    Zeb.Action = wrapperClass(function () {
        this._property('enabled');
        this._slot('checked', 'setChecked');
        this._slot('activate', 'trigger');
        this._signal('activated', 'triggered');
    });

    Zeb.Command = wrapperClass(function () {
        this._slot('activate');
        this._signal('redo');
        this._signal('undo');
    });

    // The header control types, each wrapped by the class of the same name.
    var ControlTypes = ['ComboBox', 'SymbolEdit', 'InsertSymbolButton', 'Button', 'ToggleButton',
                        'MenuButton'];

    // Members of Zeb that are made after the property objects.
    var LaterMembers = ['commands', 'symbolLinking', 'formatter', 'bridge', 'datafeed'];

    // Stores value as obj[name] unless that would replace a member of obj (or one of taken).
    function addMember(obj, name, value, what, taken) {
        if (name in obj || (taken && taken.indexOf(name) >= 0)) {
            Zeb.output.err('Failed to add ' + what + " '" + name
                           + "': the name is taken by a member of the library");
            return false;
        }
        obj[name] = value;
        return true;
    }

    function buildHeader() {
        Zeb.header = {};
        each(Zeb._h.header.controls, function (control) {
            var type = control.type;
            if (ControlTypes.indexOf(type) < 0) {
                throw new Error("Unknown header control type '" + type + "' of control '"
                                + control.objectName + "'");
            }
            Zeb.header[control.objectName] = new Zeb[type](control);
        });
    }

    function buildActions() {
        Zeb.actions = {};
        each(Zeb._h.actions, function (action) {
            Zeb.actions[action.objectName] = new Zeb.Action(action);
        });
    }

    // ---- script properties

    Zeb.Property = wrapperClass(function () {
        var h = this._h;
        this._property('value');
        this._slot('setValue');
        this._slot('setValueWithUndo');
        if (h.changed && typeof h.changed.connect === 'function')
            this._signal('changed');
        // setValue(value, createUndoCommand): with an undo entry only when asked.
        this.setValue = function (value, createUndoCommand) {
            if (!createUndoCommand)
                return h.setValue(value);
            return h.setValueWithUndo(value, true);
        };
        delete this.setValueWithUndo;
    }, {
        // Fires changed, so that listeners read the value again.
        reset: function () {
            if (this.trigger_changed)
                this.trigger_changed();
            return this;
        },
        id: function () {
            return this._h.objectName;
        }
    });

    // A property container: one Zeb.Property member per property, named by its objectName.
    Zeb.Object = wrapperClass(function () {
        this._names = [];
        this._properties = {};
        each(this._h.objects, function (native) {
            var name = native.objectName;
            var property = new Zeb.Property(native);
            this._properties[name] = property;
            this._names.push(name);
            addMember(this, name, property, 'property');
        }, this);
    }, {
        reset: function () {
            each(this._names, function (name) { this._properties[name].reset(); }, this);
            return this;
        },
        properties: function () {
            return this._names.slice();
        }
    });

    function buildObjects() {
        each(Zeb._h.objects.objects, function (container) {
            addMember(Zeb, container.objectName, new Zeb.Object(container), 'property object',
                      LaterMembers);
        });
    }

    function buildCommands() {
        Zeb.commands = {};
        each(Zeb._h.commands, function (command) {
            Zeb.commands[command.id] = new Zeb.Command(command);
        });
    }

    // ---- symbol linking, formatter, bridge

    Zeb.SymbolLinking = wrapperClass(function () {
        this._slot('activate', 'setSymbolLinking');
        this._signal('activated', 'symbolLinkingChanged', true);
    });

    // Formatter ids are those that symbol-information answers delivered (Zeb.datafeed).
    function checkFormatterId(formatterId) {
        if (typeof formatterId !== 'string' || formatterId === '')
            throw new TypeError('formatterId is required and must be a string');
        var known = Zeb.Datafeed.prototype._formatterIds;
        for (var symbol in known) {
            if (hasOwn(known, symbol) && known[symbol] === formatterId)
                return;
        }
        throw new Error('no formatter registered for foramtterId ' + formatterId);
    }

    // A formatter slot whose second argument is a formatter id.
    function symbolFormat(name) {
        return function (value, formatterId) {
            checkFormatterId(formatterId);
            return Function.prototype.apply.call(this._h[name], this._h, arguments);
        };
    }

    Zeb.Formatter = wrapperClass(function () {
        each(['formatVolume', 'parseVolume', 'formatDate', 'parseDate', 'formatTime',
              'parseTime'], function (name) { this._slot(name); }, this);
        this._signal('settingsChanged');
    }, {
        formatPrice: symbolFormat('formatPrice'),
        parsePrice: symbolFormat('parsePrice'),
        formatDateTime: symbolFormat('formatDateTime'),
        parseDateTime: symbolFormat('parseDateTime'),
        formatCurrency: symbolFormat('formatCurrency'),
        formatNumber: function (number, precision) {
            if (!isNumber(precision))
                throw new TypeError('precision is required and must be a number');
            return this._h.formatNumber(number, precision);
        }
    });

    Zeb.Bridge = wrapperClass(function () {
        var self = this;
        each(['contextMenuActions', 'mainMenuActions', 'theme', 'apiVersion', 'pluginVersion',
              'readyStatus', 'readyStatusText', 'documentDesc', 'windowTitle'],
             function (name) { self._property(name); });
        this._property('windowActive', 'isWindowActive');
        each(['isFeatureEnabled', 'translateSymbol', 'openUrl', 'notifyContextChanged', 'log',
              'showFakeMenu'], function (name) { self._slot(name); });
        this._signal('initContextData', 'initContextData', true);
        this._signal('initContextMenu');
        this._signal('symbolDrop', 'symbolDrop', true);
        this._signal('windowActive', 'onWindowActiveChanged', true);
    }, {
        showErrorStatus: function (txt) { return this._status('error', txt); },
        showLoadingStatus: function (txt) { return this._status('initializing', txt); },
        showReadyStatus: function (txt) { return this._status('ready', txt); },
        hideStatus: function () {
            this.readyStatus('noStatus');
            return this;
        },
        // Hands the context the window was opened with to func, once.
        takeCreationContext: function (func) {
            var context = this._h.takeCreationContext();
            if (context !== null)
                func(context);
            return this;
        },
        _status: function (status, txt) {
            this.readyStatus(status);
            this.readyStatusText(txt);
            return this;
        }
    });

    // ---- datafeed requests

    // A new jQuery deferred; without jQuery on the page, an output line and an Error.
    function newDeferred() {
        var jq = root.jQuery || root.$;
        if (!jq || typeof jq.Deferred !== 'function') {
            var message = 'Datafeed requests need jQuery ($.Deferred): '
                + 'load jquery before making requests';
            Zeb.output.err(message);
            throw new Error(message);
        }
        return jq.Deferred();
    }

    // One datafeed request: subscribeFn starts it and gives its rid; responses of that rid
    // progress, resolve or reject it; settling it, whatever the outcome, stops it.
    function Request(subscribeFn, realtime, responseHookFn) {
        if (typeof subscribeFn !== 'function')
            throw new TypeError('A subscription callback must be specified and it must be a callable');
        if (responseHookFn !== undefined && responseHookFn !== null
                && typeof responseHookFn !== 'function') {
            throw new TypeError('A response hook must be a callable');
        }
        this._realtime = !!realtime;
        this._hook = responseHookFn || null;
        var deferred = newDeferred();
        try {
            this._rid = subscribeFn();
        } catch (e) {
            console.log('Failed start request: ' + e);
            throw new Error('Failed to start request');
        }
        var self = this;
        this._deferred = deferred;
        deferred.always(function () { self.stop(); });
        Request.instanceByRid[this._rid] = this;
    }

    Request.instanceByRid = Object.create(null);

    // Routes a datafeed response to the Request of its rid; other responses are ignored.
    Request.sharedCallback = function (response) {
        var instance = response && response.request
            ? Request.instanceByRid[response.request.rid] : undefined;
        if (!instance)
            return;
        if (instance._hook)
            instance._hook(response);
        var deferred = instance._deferred;
        switch (response.result) {
        case 'progress':
            deferred.notify(response);
            break;
        case 'ok':
            if (instance._realtime)
                deferred.notify(response);
            else
                deferred.resolve(response);
            break;
        case 'fail':
            deferred.reject(response);
            break;
        case 'restart':
            deferred.resolve(response);
            break;
        default:
            Zeb.output.warn("Ignored a datafeed response with result '" + response.result
                            + "' for rid " + response.request.rid);
        }
    };

    extend(Request.prototype, {
        stop: function () {
            if (this._rid !== null && this._rid !== undefined) {
                Zeb.datafeed.stop(this._rid);
                delete Request.instanceByRid[this._rid];
                this._rid = null;
            }
            return this;
        },
        done: function (cb) { this._deferred.done(cb); return this; },
        progress: function (cb) { this._deferred.progress(cb); return this; },
        fail: function (cb) { this._deferred.fail(cb); return this; },
        always: function (cb) { this._deferred.always(cb); return this; },
        pipe: function (cb) { return this._deferred.pipe(cb); }
    });

    var NewsKeys = ['symbols', 'service', 'categories', 'daysBack', 'hoursBack', 'keywords',
                    'keywordsOr', 'wholeWord', 'caseSensitive', 'historyLimit', 'realtime'];

    Zeb.Datafeed = wrapperClass(function () {
        this._property('username');
        this._slot('request');
        this._signal('response', 'response', true);
    }, {
        _rid: 1,
        _activeRids: {},
        _formatterIds: {},

        // Sends map under a new rid; method names the start method, describe() its
        // parameters for the error when the datafeed refuses the map.
        _start: function (method, map, describe) {
            var rid = this.generateRid(method);
            var request = extend({rid: rid}, map);
            if (!this._h.request(request)) {
                delete Zeb.Datafeed.prototype._activeRids[rid];
                throw new Error('Failed to start ' + method + ' request with following params: '
                                + 'rid = ' + rid + describe());
            }
            return rid;
        },

        startSymbolInfo: function (symbol, symbology) {
            return this._start('startSymbolInfo',
                               {type: 'symbolinfo', symbol: symbol, symbology: symbology},
                               function () { return ', symbol = ' + symbol; });
        },

        startQuote: function (symbol, fields, realtime) {
            return this._start('startQuote',
                               {type: 'quote', symbol: symbol, fields: fields,
                                realtime: realtime === true},
                               function () { return ', symbol = ' + symbol + ', fields ' + fields; });
        },

        startChain: function (symbol, date, isShowAsOutright) {
            var dt = date === undefined || date === null ? null : new Date(date);
            var flag = !!isShowAsOutright;
            return this._start('startChain',
                               {type: 'chain', symbol: symbol, date: dt, isOutright: flag},
                               function () {
                                   return ', symbol = ' + symbol + ', date = ' + dt
                                       + ', isShowAsOutright = ' + flag;
                               });
        },

        startHistory: function (symbol, itemCount, date) {
            var dt = new Date();
            dt.setTime(date);
            return this._start('startHistory',
                               {type: 'history', symbol: symbol, endDate: dt, itemsCount: itemCount},
                               function () {
                                   return ', symbol = ' + symbol + ', endDate = ' + dt
                                       + ', itemsCount = ' + itemCount;
                               });
        },

        startNews: function () {
            var args = arguments;
            var map = {type: 'news'};
            each(NewsKeys, function (key, i) { map[key] = args[i]; });
            return this._start('startNews', map, function () {
                var text = '';
                each(NewsKeys, function (key, i) { text += ', ' + key + ' = ' + args[i]; });
                return text;
            });
        },

        startNewsBody: function (storyId) {
            return this._start('startNewsBody', {type: 'newsbody', storyId: storyId},
                               function () { return ', storyId = ' + storyId; });
        },

        // Symbol information; its formatter id becomes known to Zeb.formatter.
        requestSymbolInfo: function (symbol, realtime, symbology) {
            if (realtime === undefined)
                realtime = false;
            if (typeof realtime !== 'boolean')
                throw new TypeError('realtime argument is optional and must be boolean if specified');
            if (symbology === undefined)
                symbology = 'vmt';
            var self = this;
            var formatterIds = Zeb.Datafeed.prototype._formatterIds;
            return new Request(function () { return self.startSymbolInfo(symbol, symbology); },
                               realtime, function (response) {
                                   if (response.result === 'ok')
                                       formatterIds[symbol] = response.data.formatterId;
                                   else if (response.result === 'fail')
                                       formatterIds[symbol] = null;
                               });
        },

        requestQuote: function (symbol, fields, realtime) {
            var self = this;
            return new Request(function () { return self.startQuote(symbol, fields, realtime); },
                               realtime);
        },

        // realtime only decides whether "ok" answers resolve or notify.
        requestHistory: function (symbol, itemCount, endDate, realtime) {
            var self = this;
            return new Request(function () { return self.startHistory(symbol, itemCount, endDate); },
                               realtime);
        },

        requestNews: function () {
            var self = this;
            var args = arguments;
            return new Request(function () { return self.startNews.apply(self, args); },
                               args[NewsKeys.indexOf('realtime')]);
        },

        requestChain: function (symbol, date, isShowAsOutright) {
            var self = this;
            return new Request(function () {
                return self.startChain(symbol, date, isShowAsOutright);
            }, false);
        },

        requestNewsBody: function (storyId) {
            var self = this;
            return new Request(function () { return self.startNewsBody(storyId); }, false);
        },

        // A promise of the formatter id of symbol; "" when the symbol request cannot start.
        getFormatterId: function (symbol) {
            var known = Zeb.Datafeed.prototype._formatterIds;
            if (hasOwn(known, symbol) && known[symbol] !== null)
                return newDeferred().resolve(known[symbol]).promise();
            try {
                return this.requestSymbolInfo(symbol).pipe(function (response) {
                    return response.data.formatterId;
                });
            } catch (e) {
                console.warn('Failed to start symbol request when retrieving formatter id for symbol '
                             + symbol);
                return '';
            }
        },

        // Stops a request this library started; other ids send nothing.
        stop: function (rid) {
            var active = Zeb.Datafeed.prototype._activeRids;
            if (!hasOwn(active, rid))
                return this;
            this._h.request({type: 'stop', rid: rid});
            delete active[rid];
            return this;
        },

        generateRid: function (comment) {
            var proto = Zeb.Datafeed.prototype;
            var rid = proto._rid++;
            proto._activeRids[rid] = comment || 'rid#' + rid;
            return rid;
        },

        getActiveRids: function () {
            return Zeb.Datafeed.prototype._activeRids;
        },

        // Stops every active request and starts the ids again from 1.
        reset: function () {
            this.unbind('response');
            each(Object.keys(Zeb.Datafeed.prototype._activeRids), function (rid) {
                this.stop(rid);
            }, this);
            Zeb.Datafeed.prototype._rid = 1;
            this.bind('response', Request.sharedCallback);
            return this;
        }
    });

    // ---- load: wrap what the bridge holds, in the order pages rely on

    try {
        buildHeader();
        buildActions();
        buildObjects();
        buildCommands();
        Zeb.symbolLinking = new Zeb.SymbolLinking(bridge);
        Zeb.formatter = new Zeb.Formatter(bridge.datafeed.formatter);
        Zeb.bridge = new Zeb.Bridge(bridge);
        root.addEventListener('beforeunload', Zeb._disconnectAll);
        Zeb.datafeed = new Zeb.Datafeed(bridge.datafeed);
        Zeb.datafeed.bind('response', Request.sharedCallback);
    } catch (e) {
        // Nothing stays connected to a library that failed to load.
        root.removeEventListener('beforeunload', Zeb._disconnectAll);
        Zeb._disconnectAll();
        Zeb.output.err('tessel.js failed to load: ' + e.message);
        throw e;
    }

    root.Zeb = Zeb;
})(this);
