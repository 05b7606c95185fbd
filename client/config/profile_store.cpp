#include "config/profile_store.h"

#include <cctype>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <sstream>
#include <string>
#include <vector>

#include "common/whole_file.h"

namespace kelvara {
namespace {

constexpr size_t kMaxValueChars = 511;  // a 512-character buffer with its terminator

// The UI thread and the bridge thread both use the profile; a write is a
// read-modify-write of the whole file, so one lock keeps writes whole.
std::mutex g_mutex;
std::string g_path;

std::string Trim(const std::string& s) {
  size_t b = 0, e = s.size();
  while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
  return s.substr(b, e - b);
}

bool EqualNoCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::vector<std::string> ReadLines(const std::string& path, bool* exists) {
  std::vector<std::string> lines;
  std::ifstream in(path, std::ios::binary);
  *exists = static_cast<bool>(in);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

// "[name]" -> name; anything else -> false.
bool SectionName(const std::string& line, std::string* name) {
  std::string t = Trim(line);
  if (t.size() < 2 || t[0] != '[') return false;
  size_t close = t.find(']');
  if (close == std::string::npos) return false;
  *name = Trim(t.substr(1, close - 1));
  return true;
}

// "key=value" -> key, value (both trimmed); comments and other lines -> false.
bool KeyValue(const std::string& line, std::string* key, std::string* value) {
  std::string t = Trim(line);
  if (t.empty() || t[0] == ';') return false;
  size_t eq = t.find('=');
  if (eq == std::string::npos) return false;
  *key = Trim(t.substr(0, eq));
  *value = Trim(t.substr(eq + 1));
  return true;
}

bool HasLineBreak(const std::string& s) { return s.find_first_of("\r\n") != std::string::npos; }

}  // namespace

void IniSetFilePath(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_path = path;
}

std::string IniFilePath() {
  std::lock_guard<std::mutex> lock(g_mutex);
  return g_path;
}

namespace {

std::string ReadFrom(const std::string& path, const std::string& section, const std::string& key,
                     const std::string& default_value) {
  std::string result = default_value;
  {
    std::lock_guard<std::mutex> lock(g_mutex);
    bool exists = false;
    std::vector<std::string> lines = path.empty() ? std::vector<std::string>{} : ReadLines(path, &exists);
    bool in_section = false;
    for (const std::string& line : lines) {
      std::string name, k, v;
      if (SectionName(line, &name)) {
        in_section = EqualNoCase(name, section);
      } else if (in_section && KeyValue(line, &k, &v) && EqualNoCase(k, key)) {
        result = v;
        break;
      }
    }
  }
  if (result.size() > kMaxValueChars) result.resize(kMaxValueChars);
  return result;
}

int WriteTo(const std::string& path, const std::string& section, const std::string& key, const std::string& value);

}  // namespace

int IniReadString(const std::string& section, const std::string& key, const std::string& default_value,
                  std::string* value) {
  const std::string result = ReadFrom(IniFilePath(), section, key, default_value);
  if (value) *value = result;
  return 0;
}

int ParseLeadingInt(const std::string& text) {
  size_t i = 0;
  while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  int64_t v = 0;
  for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
    v = v * 10 + (text[i] - '0');
    if (v > static_cast<int64_t>(INT_MAX) + 1) v = static_cast<int64_t>(INT_MAX) + 1;
  }
  if (negative) v = -v;
  if (v > INT_MAX) v = INT_MAX;
  return static_cast<int>(v);
}

int IniReadInt(const std::string& section, const std::string& key, int default_value, int* value) {
  std::string text;
  IniReadString(section, key, std::to_string(default_value), &text);
  if (value) *value = ParseLeadingInt(text);
  return 0;
}

namespace {

int WriteTo(const std::string& path, const std::string& section, const std::string& key, const std::string& value) {
  if (HasLineBreak(section) || HasLineBreak(key) || HasLineBreak(value) || Trim(key).empty() ||
      key.find('=') != std::string::npos || section.find(']') != std::string::npos)
    return -1;
  std::lock_guard<std::mutex> lock(g_mutex);
  if (path.empty()) return -1;
  bool exists = false;
  std::vector<std::string> lines = ReadLines(path, &exists);

  const std::string entry = key + "=" + value;
  bool in_section = false, done = false;
  int section_line = -1, last_in_section = -1;
  for (size_t i = 0; i < lines.size() && !done; ++i) {
    std::string name, k, v;
    if (SectionName(lines[i], &name)) {
      if (in_section) break;  // the section ended without the key
      in_section = EqualNoCase(name, section);
      if (in_section) section_line = last_in_section = static_cast<int>(i);
    } else if (in_section) {
      if (KeyValue(lines[i], &k, &v) && EqualNoCase(k, key)) {
        lines[i] = k + "=" + value;  // keep the stored spelling of the key
        done = true;
      } else if (!Trim(lines[i]).empty()) {
        last_in_section = static_cast<int>(i);
      }
    }
  }
  if (!done) {
    if (section_line >= 0) {
      lines.insert(lines.begin() + last_in_section + 1, entry);
    } else {
      lines.push_back("[" + section + "]");
      lines.push_back(entry);
    }
  }
  std::string content;
  for (const std::string& line : lines) content += line + "\r\n";
  // Flushed before the rename: losing the profile costs every setting.
  WholeFileOptions options;
  options.sync = true;
  options.mode = 0644;
  return WriteWholeFile(path, content.data(), content.size(), options) ? 0 : -1;
}

}  // namespace

int IniWriteString(const std::string& section, const std::string& key, const std::string& value) {
  return WriteTo(IniFilePath(), section, key, value);
}

int IniWriteInt(const std::string& section, const std::string& key, int value) {
  return IniWriteString(section, key, std::to_string(value));
}

std::string Profile::ReadString(const std::string& section, const std::string& key,
                                const std::string& default_value) const {
  return ReadFrom(path_, section, key, default_value);
}

int Profile::ReadInt(const std::string& section, const std::string& key, int default_value) const {
  return ParseLeadingInt(ReadString(section, key, std::to_string(default_value)));
}

bool Profile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
  return WriteTo(path_, section, key, value) == 0;
}

bool Profile::WriteInt(const std::string& section, const std::string& key, int value) {
  return WriteString(section, key, std::to_string(value));
}

}  // namespace kelvara
