// How a record's key for a tag is made from the tag's key expression,
// shared by index maintenance and the index check so both agree byte for
// byte.
#pragma once

#include <string>

#include "xbase/expr.h"
#include "xbase/index.h"

namespace xb {

// The key type a key expression of this result type gives.
KeyType KeyTypeOf(ValueType t);
// The key type of a tag whose keys are `stored_length` bytes long: numeric
// keys of 4 bytes are Visual FoxPro's integer keys.
KeyType KeyTypeOf(ValueType t, uint16_t stored_length);
// The length keys of this type have, or -1 when it is the expression's.
int FixedKeyLength(KeyType type);

// The key of `key_expr` for a record as the index stores it: character keys
// cut or padded with blanks to the key length, numbers, dates and logicals
// in their sortable encodings.
Status EncodeKeyOf(const Expression& key_expr, const TagInfo& info, const RecordRef& r,
                   const EvalSettings& es, Value* scratch, std::string* out);

}  // namespace xb
