#include "json/json_document.h"

namespace cq {

namespace {

// Loaded into every engine of a JsonDocument. Kept to ES3-level script so that it
// runs on any engine; the JSON object below only fills in what an engine lacks.
//
// Object.prototype gains toJSONString/parseJSON as enumerable functions, so every
// helper here that walks members with for-in passes over function values.
constexpr std::string_view kPrelude = R"js(
function get__nodeValue(str_json, recursion) {
    for (var name in str_json) {
        var value = str_json[name];
        var kind = Object.prototype.toString.call(value);
        if (kind == '[object Object]' || kind == '[object Array]') {
            if (recursion) {
                get__nodeValue(value, recursion);
            }
        } else if (kind == '[object String]' || kind == '[object Number]' ||
                   kind == '[object Boolean]') {
            str_all.push(value);
        }
    }
    return str_all;
}

function get__count(c) {
    if (Object.prototype.toString.call(c) == '[object Array]') {
        return c.length;
    }
    return 0;
}

function get__name_All(a) {
    if (Object.prototype.toString.call(a) != '[object Object]') {
        return '';
    }
    var names = [];
    for (var name in a) {
        if (typeof a[name] != 'function') {
            names.push(name);
        }
    }
    return names.join('\r\n');
}

// Merges source into target: an array target takes the source's elements at its
// end; an object target takes each member, merging where both sides hold objects.
// A member that holds a number or null, or whose new value is no object, simply
// takes the new value: merging into it would throw half-way through the members
// and leave the object partly changed, or spread a text over numbered members.
function get__extend(target, source) {
    if (Object.prototype.toString.call(target) == '[object Array]') {
        for (var i = 0; i < source.length; i++) {
            target.push(source[i]);
        }
        return target;
    }
    for (var name in source) {
        var mine = target[name];
        var theirs = source[name];
        if (typeof mine == 'function') {
            continue;
        }
        if (mine !== null && typeof mine == 'object' && theirs !== null &&
            typeof theirs == 'object') {
            target[name] = get__extend(mine, theirs);
        } else {
            target[name] = theirs;
        }
    }
    return target;
}

if (typeof JSON !== 'object') {
    JSON = {};
}

(function () {
    'use strict';

    function twoDigits(n) {
        return n < 10 ? '0' + n : String(n);
    }

    if (typeof Date.prototype.toJSON !== 'function') {
        Date.prototype.toJSON = function () {
            if (!isFinite(this.valueOf())) {
                return null;
            }
            return this.getUTCFullYear() + '-' + twoDigits(this.getUTCMonth() + 1) + '-' +
                twoDigits(this.getUTCDate()) + 'T' + twoDigits(this.getUTCHours()) + ':' +
                twoDigits(this.getUTCMinutes()) + ':' + twoDigits(this.getUTCSeconds()) + 'Z';
        };
        var primitive = function () {
            return this.valueOf();
        };
        String.prototype.toJSON = primitive;
        Number.prototype.toJSON = primitive;
        Boolean.prototype.toJSON = primitive;
    }

    var toEscape = /[\\"\u0000-\u001f\u007f-\u009f\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g;
    var unsafeInParse = /[\u0000\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g;
    var shortEscapes = {
        '\b': '\\b', '\t': '\\t', '\n': '\\n', '\f': '\\f', '\r': '\\r', '"': '\\"', '\\': '\\\\'
    };

    function unicodeEscape(c) {
        return '\\u' + ('0000' + c.charCodeAt(0).toString(16)).slice(-4);
    }

    function quote(text) {
        toEscape.lastIndex = 0;
        return '"' + text.replace(toEscape, function (c) {
            var known = shortEscapes[c];
            return typeof known === 'string' ? known : unicodeEscape(c);
        }) + '"';
    }

    var gap;
    var indent;
    var replacer;

    function member(name, holder) {
        var value = holder[name];
        if (value && typeof value === 'object' && typeof value.toJSON === 'function') {
            value = value.toJSON(name);
        }
        if (typeof replacer === 'function') {
            value = replacer.call(holder, name, value);
        }
        switch (typeof value) {
        case 'string':
            return quote(value);
        case 'number':
            return isFinite(value) ? String(value) : 'null';
        case 'boolean':
            return String(value);
        case 'object':
            if (value === null) {
                return 'null';
            }
            var outer = gap;
            gap += indent;
            var parts = [];
            var i;
            var text;
            if (Object.prototype.toString.call(value) === '[object Array]') {
                for (i = 0; i < value.length; i += 1) {
                    parts.push(member(i, value) || 'null');
                }
                if (parts.length === 0) {
                    text = '[]';
                } else if (gap) {
                    text = '[\n' + gap + parts.join(',\n' + gap) + '\n' + outer + ']';
                } else {
                    text = '[' + parts.join(',') + ']';
                }
                gap = outer;
                return text;
            }
            var names = [];
            if (replacer && typeof replacer === 'object') {
                for (i = 0; i < replacer.length; i += 1) {
                    if (typeof replacer[i] === 'string') {
                        names.push(replacer[i]);
                    }
                }
            } else {
                for (var own in value) {
                    if (Object.prototype.hasOwnProperty.call(value, own)) {
                        names.push(own);
                    }
                }
            }
            for (i = 0; i < names.length; i += 1) {
                var written = member(names[i], value);
                if (written) {
                    parts.push(quote(names[i]) + (gap ? ': ' : ':') + written);
                }
            }
            if (parts.length === 0) {
                text = '{}';
            } else if (gap) {
                text = '{\n' + gap + parts.join(',\n' + gap) + '\n' + outer + '}';
            } else {
                text = '{' + parts.join(',') + '}';
            }
            gap = outer;
            return text;
        }
        return undefined;
    }

    if (typeof JSON.stringify !== 'function') {
        JSON.stringify = function (value, filter, space) {
            gap = '';
            indent = '';
            if (typeof space === 'number') {
                for (var i = 0; i < space; i += 1) {
                    indent += ' ';
                }
            } else if (typeof space === 'string') {
                indent = space;
            }
            if (filter && typeof filter !== 'function' &&
                (typeof filter !== 'object' || typeof filter.length !== 'number')) {
                throw new Error('JSON.stringify');
            }
            replacer = filter;
            return member('', {'': value});
        };
    }

    if (typeof JSON.parse !== 'function') {
        JSON.parse = function (text, reviver) {
            function revive(holder, name) {
                var value = holder[name];
                if (value && typeof value === 'object') {
                    for (var own in value) {
                        if (Object.prototype.hasOwnProperty.call(value, own)) {
                            var revived = revive(value, own);
                            if (revived !== undefined) {
                                value[own] = revived;
                            } else {
                                delete value[own];
                            }
                        }
                    }
                }
                return reviver.call(holder, name, value);
            }

            text = String(text);
            unsafeInParse.lastIndex = 0;
            text = text.replace(unsafeInParse, unicodeEscape);
            // Only JSON may reach eval: with escapes, strings, literals and numbers
            // taken out, nothing but brackets, commas, colons and white space may remain.
            var skeleton = text
                .replace(/\\(?:["\\\/bfnrt]|u[0-9a-fA-F]{4})/g, '@')
                .replace(/"[^"\\\n\r]*"|true|false|null|-?\d+(?:\.\d*)?(?:[eE][+\-]?\d+)?/g, ']')
                .replace(/(?:^|:|,)(?:\s*\[)+/g, '');
            if (/^[\],:{}\s]*$/.test(skeleton)) {
                var result = eval('(' + text + ')');
                return typeof reviver === 'function' ? revive({'': result}, '') : result;
            }
            throw new SyntaxError('JSON.parse');
        };
    }
}());

if (typeof Object.prototype.toJSONString !== 'function') {
    Object.prototype.toJSONString = function (filter) {
        return JSON.stringify(this, filter);
    };
    Object.prototype.parseJSON = function (filter) {
        return JSON.parse(this, filter);
    };
}
)js";

}  // namespace

std::string_view PreludeScript() {
    return kPrelude;
}

}  // namespace cq
