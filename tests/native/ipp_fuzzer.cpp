// libFuzzer entry: any message is decoded without reading out of bounds, and whatever
// decodes keeps only attributes with a name and values of consistent sizes.
#include <cstddef>
#include <cstdint>
#include <span>

#include "Ipp.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::optional<ipp::Response> response = ipp::DecodeResponse(std::span<const uint8_t>(data, size));
  if (!response) return 0;
  for (const ipp::Group& group : response->groups)
    for (const ipp::Attribute& attribute : group.attributes) {
      if (attribute.name.empty() || attribute.values.empty()) __builtin_trap();
      for (const ipp::Value& value : attribute.values)
        if ((value.tag == ipp::Tag::Integer || value.tag == ipp::Tag::Enum) && value.bytes.size() != 4) __builtin_trap();
    }
  return 0;
}
