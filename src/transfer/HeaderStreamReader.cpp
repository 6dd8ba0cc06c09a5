#include "HeaderStreamReader.h"

#include <cstring>
#include <string_view>

namespace vostrelle {

HeaderStreamReader::Result HeaderStreamReader::Read(FieldMap& fields, const char* chunk,
                                                    std::size_t length, std::size_t& consumed,
                                                    bool& complete) {
  complete = false;
  consumed = 0;
  bool expectMagic = expectMagic_;
  bool pendingUsed = pending_.empty();
  std::size_t pos = 0;  // first unused chunk byte
  std::string line;
  for (;;) {
    std::size_t next;  // chunk position after the LF
    if (!pendingUsed && pending_.back() == '\r' && length > 0 && chunk[0] == '\n') {
      line.assign(pending_, 0, pending_.size() - 1);
      next = 1;
    } else {
      std::size_t cr = pos;
      for (; cr + 1 < length; ++cr)
        if (chunk[cr] == '\r' && chunk[cr + 1] == '\n') break;
      if (cr + 1 >= length) {
        // No line end yet: a CR as the chunk's last byte may meet its LF next time.
        // Appended in place, so a line fed a byte at a time costs linear time.
        if (pendingUsed) pending_.clear();
        pending_.append(chunk + pos, length - pos);
        expectMagic_ = expectMagic;
        consumed = length;
        return kOk;
      }
      line = pendingUsed ? std::string() : pending_;
      line.append(chunk + pos, cr - pos);
      next = cr + 2;
    }
    pendingUsed = true;
    pos = next;

    if (line.empty()) {
      if (expectMagic) return kMalformed;
      pending_.clear();
      expectMagic_ = false;
      consumed = pos;
      complete = true;
      return kOk;
    }
    if (expectMagic) {
      if (line != kHeaderMagic) return kMalformed;
      expectMagic = false;
      continue;
    }
    const std::size_t colon = line.find(": ");
    if (colon == std::string::npos) return kMalformed;
    fields.insert_or_assign(line.substr(0, colon), line.substr(colon + 2));
  }
}

}  // namespace vostrelle
