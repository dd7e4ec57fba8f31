// The decode entries that one family's rows define, in table order, for
// tests that run every form of a family.
#ifndef QRX_TESTS_HANDLERS_FAMILY_ENTRIES_H
#define QRX_TESTS_HANDLERS_FAMILY_ENTRIES_H

#include <cstring>
#include <vector>

#include "qrx/decode/decode_tables.h"

inline std::vector<const qrx::DecodeEntry*> family_entries(const char* family) {
  std::vector<const qrx::DecodeEntry*> entries;
  const qrx::DecodeTable* tables = qrx::decode_tables();
  for (unsigned t = 0; t < qrx::kNumDecodeTables; ++t)
    for (unsigned e = 0; e < tables[t].num_entries; ++e) {
      const qrx::DecodeEntry& entry = tables[t].entries[e];
      if (entry.family != nullptr && std::strcmp(entry.family, family) == 0)
        entries.push_back(&entry);
    }
  return entries;
}

#endif  // QRX_TESTS_HANDLERS_FAMILY_ENTRIES_H
