#pragma once
// Property blobs ("MR2"), the LvProp value of a catalogue row.
//
// OFFSET  SIZE  MEANING
// 0       4     "MR2\0"
// 4       ...   blocks: 4-byte length (header included), 2-byte type, body
//   type 0x0080  property names: repeated (2-byte byte length, UTF-16LE)
//   type 0x0000  properties of the object; type 0x0001 properties of one column
//   body of 0x0000/0x0001: 4-byte header length, 2-byte name length, name,
//   then entries:
//     +0 2  entry length (these 8 bytes included)
//     +2 1  1 = DDL property, 0 = application property
//     +3 1  data type of the value
//     +4 2  index into the name list
//     +6 2  value length
//     +8 n  value
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace jet::detail {

struct Property {
  bool ddl = false;
  uint8_t type = 0;
  std::vector<uint8_t> value;
};

// Object name ("" for the object itself, else the column) -> property name -> property.
using PropertyMap = std::map<std::string, std::map<std::string, Property>>;

// Error for a damaged blob.
PropertyMap parsePropertyBlob(const std::vector<uint8_t>& blob);
struct ColumnProperties {
  std::string name;
  bool required = false;         // nulls refused
  bool allowZeroLength = false;  // empty texts accepted
};
// A blob holding the properties set to true for each column (DDL Yes/No
// entries), and no block for the table itself.
std::vector<uint8_t> buildColumnPropertiesBlob(const std::vector<ColumnProperties>& columns);

}  // namespace jet::detail
