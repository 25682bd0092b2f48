#include "environment_variables.h"

#include "settings/multibyte.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

char FoldAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// The name of a "name=value" line: up to the first "=" after the first
// character. Empty when there is no such "=".
std::string_view LineName(std::string_view line)
{
    const std::size_t equals = line.find('=', 1);
    return equals == std::string_view::npos ? std::string_view() : line.substr(0, equals);
}

// The platform's order of names: byte order with ASCII letters in upper
// case, by character (a double-byte character's second byte is never folded).
bool NameBefore(const std::string& a, const std::string& b)
{
    const std::size_t n = a.size() < b.size() ? a.size() : b.size();
    for (std::size_t i = 0; i < n; ++i) {
        const bool lead = IsLeadByte(static_cast<unsigned char>(a[i]));
        const unsigned char x = static_cast<unsigned char>(lead ? a[i] : FoldAscii(a[i]));
        const unsigned char y = static_cast<unsigned char>(IsLeadByte(static_cast<unsigned char>(b[i])) ? b[i] : FoldAscii(b[i]));
        if (x != y) return x < y;
        if (lead && i + 1 < n) {
            ++i;
            if (a[i] != b[i]) return static_cast<unsigned char>(a[i]) < static_cast<unsigned char>(b[i]);
        }
    }
    return a.size() < b.size();
}

// Variables whose user value is appended to the system's rather than replacing it.
bool JoinsSystemValue(std::string_view name)
{
    return SameVariableName(name, "PATH") || SameVariableName(name, "LIBPATH") ||
           SameVariableName(name, "OS2LIBPATH");
}

} // namespace

bool SameVariableName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (IsLeadByte(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            ++i;
        } else if (FoldAscii(a[i]) != FoldAscii(b[i])) {
            return false;
        }
    }
    return true;
}

EnvironmentVariables::EnvironmentVariables(const char* block)
{
    for (const char* line = block; *line != '\0'; line += std::strlen(line) + 1) {
        const std::string_view text(line);
        const std::string_view name = LineName(text);
        if (!name.empty()) variables_.push_back({std::string(name), std::string(text.substr(name.size() + 1))});
    }
}

const std::string* EnvironmentVariables::Find(std::string_view name) const
{
    for (const Variable& variable : variables_) {
        if (SameVariableName(variable.name, name)) return &variable.value;
    }
    return nullptr;
}

void EnvironmentVariables::Set(std::string_view name, std::string_view value)
{
    for (Variable& variable : variables_) {
        if (SameVariableName(variable.name, name)) {
            variable.name.assign(name);
            variable.value.assign(value);
            return;
        }
    }
    variables_.push_back({std::string(name), std::string(value)});
}

void EnvironmentVariables::Remove(std::string_view name)
{
    std::size_t kept = 0;
    for (std::size_t i = 0; i < variables_.size(); ++i) {
        if (SameVariableName(variables_[i].name, name)) continue;
        if (kept != i) variables_[kept] = std::move(variables_[i]);
        ++kept;
    }
    variables_.erase(variables_.begin() + static_cast<std::ptrdiff_t>(kept), variables_.end());
}

std::string EnvironmentVariables::Expand(std::string_view text) const
{
    std::string result;
    std::size_t p = 0;
    while (p < text.size()) {
        const std::size_t open = text.find('%', p);
        if (open == std::string_view::npos) break;
        const std::size_t close = text.find('%', open + 1);
        if (close == std::string_view::npos) break;
        result.append(text, p, open - p);
        const std::string* value = Find(text.substr(open + 1, close - open - 1));
        if (value != nullptr && close > open + 1) {
            result += *value;
        } else {
            result.append(text, open, close + 1 - open);
        }
        p = close + 1;
    }
    result.append(text, p, std::string_view::npos);
    return result;
}

void EnvironmentVariables::Merge(const char* block)
{
    for (const char* line = block; *line != '\0'; line += std::strlen(line) + 1) {
        const std::string_view text(line);
        const std::string_view name = LineName(text);
        if (!name.empty()) Set(name, Expand(text.substr(name.size() + 1)));
    }
}

std::string EnvironmentVariables::BlockText() const
{
    // An insertion sort: stable, a few dozen names, and little code.
    std::vector<const Variable*> sorted;
    sorted.reserve(variables_.size());
    for (const Variable& variable : variables_) {
        std::size_t at = sorted.size();
        while (at > 0 && NameBefore(variable.name, sorted[at - 1]->name)) --at;
        sorted.insert(sorted.begin() + static_cast<std::ptrdiff_t>(at), &variable);
    }
    std::string block;
    for (const Variable* variable : sorted) {
        block += variable->name;
        block += '=';
        block += variable->value;
        block += '\0';
    }
    return block;
}

std::vector<std::string> TakeRegistryVariables(EnvironmentVariables& variables,
                                               const std::vector<std::string>& previous,
                                               const std::vector<RegistryVariable>& system,
                                               const std::vector<RegistryVariable>& user)
{
    std::vector<std::string> names;
    const auto held = [&names](std::string_view name) {
        for (const std::string& n : names) {
            if (SameVariableName(n, name)) return true;
        }
        return false;
    };
    for (const auto* key : {&system, &user}) {
        for (const RegistryVariable& variable : *key) {
            if (!held(variable.name)) names.push_back(variable.name);
        }
    }
    for (const std::string& name : previous) {
        if (!held(name)) variables.Remove(name);
    }

    EnvironmentVariables systemValues;
    for (const auto* key : {&system, &user}) {
        for (bool expand : {false, true}) {
            for (const RegistryVariable& variable : *key) {
                if (variable.expand != expand) continue;
                std::string value = expand ? variables.Expand(variable.value) : variable.value;
                if (key == &system) {
                    systemValues.Set(variable.name, value);
                } else if (JoinsSystemValue(variable.name)) {
                    if (const std::string* head = systemValues.Find(variable.name)) {
                        const bool separated = head->empty() || head->back() == ';';
                        value = *head + (separated ? "" : ";") + value;
                    }
                }
                variables.Set(variable.name, value);
            }
        }
    }
    return names;
}
