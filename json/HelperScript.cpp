#include "json/HelperScript.h"

namespace velmora {

// The pieces below join into one line without separators. Every member loop skips function
// values: toJSONString and parseJSON are enumerable on every object.
const std::string_view kHelperScript =
    // Pushes the strings, numbers and booleans under a value onto the global str_all, depth first
    // into objects and arrays when recursion is true.
    R"(function get__nodeValue(str_json, recursion) { )"
    R"(for (var k in str_json) { var v = str_json[k], kind = Object.prototype.toString.call(v); )"
    R"(if (kind == '[object Object]' || kind == '[object Array]') { if (recursion) { get__nodeValue(v, recursion) } } )"
    R"(else if (kind == '[object String]' || kind == '[object Number]' || kind == '[object Boolean]') { str_all.push(v) } } )"
    R"(return str_all } )"
    R"(function get__count(c) { return Object.prototype.toString.call(c) == '[object Array]' ? c.length : 0 } )"
    R"(function get__name_All(a) { if (Object.prototype.toString.call(a) != '[object Object]') { return '' } )"
    R"(var names = []; for (var k in a) { if (typeof a[k] != 'function') { names.push(k) } } )"
    R"(return names.join('\r\n') } )"
    // Arrays are appended to; in objects, plain members (a number too) are overwritten by the
    // source's, object members merged member by member.
    R"(function get__extend(target, source) { )"
    R"(if (Object.prototype.toString.call(target) == '[object Array]') { )"
    R"(for (var i = 0; i < source.length; i++) { target.push(source[i]) } return target } )"
    R"(for (var k in source) { switch (typeof target[k]) { )"
    R"(case 'string': case 'boolean': case 'undefined': case 'number': target[k] = source[k]; break; )"
    R"(case 'object': target[k] = get__extend(target[k], source[k]); break } } )"
    R"(return target } )"
    // JSON support, each piece installed only where the engine has none.
    R"(if (typeof JSON != 'object') { JSON = {} } )"
    R"((function () { )"
    R"(function two(n) { return n < 10 ? '0' + n : String(n) } )"
    R"(if (typeof Date.prototype.toJSON != 'function') { )"
    R"(Date.prototype.toJSON = function () { return isFinite(this.valueOf()) ? this.getUTCFullYear() + '-' + two(this.getUTCMonth() + 1) + '-' + two(this.getUTCDate()) + 'T' + two(this.getUTCHours()) + ':' + two(this.getUTCMinutes()) + ':' + two(this.getUTCSeconds()) + 'Z' : null }; )"
    R"(String.prototype.toJSON = Number.prototype.toJSON = Boolean.prototype.toJSON = function () { return this.valueOf() } } )"
    R"(var escapable = /[\\\"\x00-\x1f\x7f-\x9f\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g, )"
    R"(invisible = /[\u0000\u00ad\u0600-\u0604\u070f\u17b4\u17b5\u200c-\u200f\u2028-\u202f\u2060-\u206f\ufeff\ufff0-\uffff]/g, )"
    R"(short_escapes = { '\b': '\\b', '\t': '\\t', '\n': '\\n', '\f': '\\f', '\r': '\\r', '"': '\\"', '\\': '\\\\' }, )"
    R"(gap, indent, replacer_in_use; )"
    R"(function unicode_escape(c) { return '\\u' + ('0000' + c.charCodeAt(0).toString(16)).slice(-4) } )"
    R"(function quote(s) { escapable.lastIndex = 0; return '"' + (escapable.test(s) ? s.replace(escapable, function (c) { )"
    R"(var e = short_escapes[c]; return typeof e == 'string' ? e : unicode_escape(c) }) : s) + '"' } )"
    R"(function write(key, holder) { var i, k, v, partial, outer = gap, value = holder[key]; )"
    R"(if (value && typeof value == 'object' && typeof value.toJSON == 'function') { value = value.toJSON(key) } )"
    R"(if (typeof replacer_in_use == 'function') { value = replacer_in_use.call(holder, key, value) } )"
    R"(switch (typeof value) { )"
    R"(case 'string': return quote(value); )"
    R"(case 'number': return isFinite(value) ? String(value) : 'null'; )"
    R"(case 'boolean': return String(value); )"
    R"(case 'object': if (!value) { return 'null' } gap += indent; partial = []; )"
    R"(if (Object.prototype.toString.apply(value) == '[object Array]') { )"
    R"(for (i = 0; i < value.length; i += 1) { partial[i] = write(i, value) || 'null' } )"
    R"(v = partial.length == 0 ? '[]' : gap ? '[\n' + gap + partial.join(',\n' + gap) + '\n' + outer + ']' : '[' + partial.join(',') + ']'; )"
    R"(gap = outer; return v } )"
    R"(if (replacer_in_use && typeof replacer_in_use == 'object') { )"
    R"(for (i = 0; i < replacer_in_use.length; i += 1) { k = replacer_in_use[i]; )"
    R"(if (typeof k == 'string') { v = write(k, value); if (v) { partial.push(quote(k) + (gap ? ': ' : ':') + v) } } } )"
    R"(} else { for (k in value) { if (Object.prototype.hasOwnProperty.call(value, k)) { )"
    R"(v = write(k, value); if (v) { partial.push(quote(k) + (gap ? ': ' : ':') + v) } } } } )"
    R"(v = partial.length == 0 ? '{}' : gap ? '{\n' + gap + partial.join(',\n' + gap) + '\n' + outer + '}' : '{' + partial.join(',') + '}'; )"
    R"(gap = outer; return v } } )"
    R"(if (typeof JSON.stringify != 'function') { JSON.stringify = function (value, replacer, space) { var i; gap = ''; indent = ''; )"
    R"(if (typeof space == 'number') { for (i = 0; i < space; i += 1) { indent += ' ' } } else if (typeof space == 'string') { indent = space } )"
    R"(replacer_in_use = replacer; )"
    R"(if (replacer && typeof replacer != 'function' && (typeof replacer != 'object' || typeof replacer.length != 'number')) { throw new Error('JSON.stringify') } )"
    R"(return write('', { '': value }) } } )"
    R"(if (typeof JSON.parse != 'function') { JSON.parse = function (text, reviver) { var j; )"
    R"(function walk(holder, key) { var k, v, value = holder[key]; )"
    R"(if (value && typeof value == 'object') { for (k in value) { if (Object.prototype.hasOwnProperty.call(value, k)) { )"
    R"(v = walk(value, k); if (v !== undefined) { value[k] = v } else { delete value[k] } } } } )"
    R"(return reviver.call(holder, key, value) } )"
    R"(text = String(text); invisible.lastIndex = 0; )"
    R"(if (invisible.test(text)) { text = text.replace(invisible, unicode_escape) } )"
    R"(if (/^[\],:{}\s]*$/.test(text.replace(/\\(?:["\\\/bfnrt]|u[0-9a-fA-F]{4})/g, '@').replace(/"[^"\\\n\r]*"|true|false|null|-?\d+(?:\.\d*)?(?:[eE][+\-]?\d+)?/g, ']').replace(/(?:^|:|,)(?:\s*\[)+/g, ''))) { )"
    R"(j = eval('(' + text + ')'); return typeof reviver == 'function' ? walk({ '': j }, '') : j } )"
    R"(throw new SyntaxError('JSON.parse') } } )"
    R"(if (typeof Object.prototype.toJSONString != 'function') { )"
    R"(Object.prototype.toJSONString = function (filter) { return JSON.stringify(this, filter) }; )"
    R"(Object.prototype.parseJSON = function (filter) { return JSON.parse(this, filter) } } )"
    R"(}());)";

const std::string_view kBuiltInJsonRemoval = "delete JSON; delete Date.prototype.toJSON";

}  // namespace velmora
