#include "json/detail/Expressions.h"

namespace velmora::detail {

TextBuffer Declaration(std::string_view rootName) {
    return ConcatText("var ", rootName,
                      " = {}, str_Code = String.fromCharCode(9216), str_reg = new RegExp(str_Code, "
                      "'g')");
}

TextBuffer NotNull(std::string_view path) {
    return ConcatText(path, " != null");
}
TextBuffer IsNull(std::string_view path) {
    return ConcatText(path, " == null");
}
TextBuffer NullRoot(std::string_view rootName) {
    return ConcatText("var ", rootName, " = null");
}

TextBuffer LoadEvaluated(std::string_view rootName, std::string_view text) {
    return ConcatText("var ", rootName, " = eval(", text, ")");
}

TextBuffer LoadLiteral(std::string_view rootName, std::string_view text) {
    return ConcatText("var ", rootName, " = ", text);
}

TextBuffer EmptyRoot(std::string_view rootName) {
    return ConcatText(rootName, " = {}");
}
TextBuffer Serialise(std::string_view path) {
    return ConcatText("JSON.stringify(", path, ")");
}
TextBuffer StringForm(std::string_view path) {
    return ConcatText(path, ".toString()");
}

TextBuffer KindName(std::string_view path) {
    return ConcatText("Object.prototype.toString.call(", path, ")");
}

TextBuffer Assign(std::string_view path, std::string_view value) {
    return ConcatText(path, " = ", value);
}

TextBuffer AssignEvaluated(std::string_view path, std::string_view value) {
    return ConcatText(path, " = eval(", value, ")");
}

TextBuffer Merge(std::string_view path, std::string_view value) {
    return ConcatText(path, " = get__extend(", path, ", ", value, ")");
}

TextBuffer MemberNames(std::string_view path) {
    return ConcatText("get__name_All(", path, ")");
}
TextBuffer ElementCount(std::string_view path) {
    return ConcatText("get__count(", path, ")");
}

TextBuffer Element(std::string_view path, int index) {
    return ConcatText(path, "[", IntToText(index), "]");
}

// String.prototype.valueOf fails for anything but a string, as the element's own replace() did
// when the element was not a string.
TextBuffer ElementString(std::string_view path, int index) {
    return ConcatText("String.prototype.valueOf.call(", Element(path, index), ")");
}

TextBuffer AddElement(std::string_view path, std::string_view value, bool atFront) {
    return ConcatText("if (Object.prototype.toString.call(", path, ") != '[object Array]') { ",
                      path, " = new Array() } ", path, atFront ? ".unshift(" : ".push(", value,
                      ")");
}

TextBuffer RemoveElement(std::string_view path, int index) {
    return ConcatText(path, ".splice(", IntToText(index), ", 1)");
}

TextBuffer Delete(std::string_view path) {
    return ConcatText("delete ", path);
}
TextBuffer NewValueList() {
    return "var str_all = new Array()";
}

TextBuffer CollectValues(std::string_view path, bool recursive) {
    return ConcatText("get__nodeValue(", path, ", ", recursive ? "true" : "false", ")");
}

}  // namespace velmora::detail
