#include "qualified_name.h"

#include <cstring>

#include "byte_scan.h"

namespace cfg {

QualifiedName SplitQualifiedName(std::string_view text) {
  QualifiedName q;
  const char* p = text.data();
  const size_t n = text.size();
  size_t start = 0;
  while (start < n && p[start] == '[') ++start;
  if (start == n) {
    q.record = text;  // nothing but "[": the whole text is the record name
    return q;
  }
  const size_t openAt = FindByteIn(p, start, n, '[');
  q.record = text.substr(start, openAt - start);
  if (openAt == n) return q;
  size_t valueStart = openAt + 1;
  while (valueStart < n && p[valueStart] == ']') ++valueStart;
  if (valueStart == n) return q;
  const size_t closeAt = FindByteIn(p, valueStart, n, ']');
  q.value = text.substr(valueStart, closeAt - valueStart);
  q.hasValueName = true;
  return q;
}

char* SplitName(char* text) {
  std::string_view whole(text);
  QualifiedName q = SplitQualifiedName(whole);
  char* valueName = nullptr;
  if (q.hasValueName) {
    valueName = text + (q.value.data() - whole.data());
    valueName[q.value.size()] = '\0';
  }
  if (q.record.data() != text || q.record.size() != whole.size()) {
    size_t length = q.record.size();
    std::memmove(text, q.record.data(), length);
    text[length] = '\0';
    // The value name lies after the record name and its "[", so the move
    // above cannot have overwritten it.
  }
  return valueName;
}

}  // namespace cfg
