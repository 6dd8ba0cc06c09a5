#include "ProtocolTable.h"

#include <map>
#include <utility>

namespace vostrelle {

namespace {

struct Limits {
  std::size_t min;
  std::size_t max;
};

struct Tables {
  std::map<std::string, int> classes{
      {"Join", kClassMembership},     {"Part", kClassMembership},
      {"Message", kClassChat},        {"Notice", kClassChat},
      {"ReqNotice", kClassRequest},   {"ReqInformation", kClassRequest},
      {"Information", kClassRequest}, {"File", kClassRequest},
  };
  std::map<std::string, Limits> limits{
      {"Room", {0, 16}},     {"Name", {1, 16}},    {"Message", {1, 256}},
      {"RealName", {1, 64}}, {"Version", {1, 64}},
  };
};

const Tables& TheTables() {
  static const Tables tables;
  return tables;
}

}  // namespace

const ProtocolTable& ProtocolTable::Instance() {
  static const ProtocolTable table;
  return table;
}

int ProtocolTable::ClassOf(const std::string& command) const {
  const auto& classes = TheTables().classes;
  auto it = classes.find(command);
  return it == classes.end() ? kClassNone : it->second;
}

bool ProtocolTable::WithinLimits(const FieldMap& fields) const {
  const auto& limits = TheTables().limits;
  for (const auto& [name, value] : fields) {
    auto it = limits.find(name);
    if (it == limits.end()) continue;
    if (value.size() < it->second.min || value.size() > it->second.max) return false;
  }
  return true;
}

}  // namespace vostrelle
