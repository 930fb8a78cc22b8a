#pragma once
// The script texts the document operations evaluate, one builder per row of the table of
// expressions. N is the root variable's name, P a resolved path, I an index, V a value's source.

#include <string_view>

#include "encoding/TextBuffer.h"

namespace velmora::detail {

// The global through which text-mode values reach an expression: the value is set as a string
// in the engine, never written into script source, so no text can break or extend the script.
inline constexpr std::string_view kTextValueName = "str_value";

// "var N = {}, str_Code = ..., str_reg = ...": an empty root and the backslash mark globals.
TextBuffer Declaration(std::string_view rootName);

TextBuffer NotNull(std::string_view path);                                   // P != null
TextBuffer IsNull(std::string_view path);                                    // P == null
TextBuffer NullRoot(std::string_view rootName);                              // var N = null
TextBuffer LoadEvaluated(std::string_view rootName, std::string_view text);  // var N = eval(T)
TextBuffer LoadLiteral(std::string_view rootName, std::string_view text);    // var N = T
TextBuffer EmptyRoot(std::string_view rootName);                             // N = {}
TextBuffer Serialise(std::string_view path);                                 // JSON.stringify(P)
TextBuffer StringForm(std::string_view path);                                // P.toString()
TextBuffer KindName(std::string_view path);                        // Object.prototype.toString...
TextBuffer Assign(std::string_view path, std::string_view value);  // P = V
TextBuffer AssignEvaluated(std::string_view path, std::string_view value);  // P = eval(V)
TextBuffer Merge(std::string_view path, std::string_view value);            // P = get__extend(P, V)

TextBuffer MemberNames(std::string_view path);               // get__name_All(P)
TextBuffer ElementCount(std::string_view path);              // get__count(P)
TextBuffer Element(std::string_view path, int index);        // P[I]
TextBuffer ElementString(std::string_view path, int index);  // P[I], strings only
TextBuffer AddElement(std::string_view path, std::string_view value, bool atFront);
TextBuffer RemoveElement(std::string_view path, int index);       // P.splice(I, 1)
TextBuffer Delete(std::string_view path);                         // delete P
TextBuffer NewValueList();                                        // var str_all = new Array()
TextBuffer CollectValues(std::string_view path, bool recursive);  // get__nodeValue(P, B)

}  // namespace velmora::detail
