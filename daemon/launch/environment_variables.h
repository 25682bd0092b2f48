#pragma once

#include <string>
#include <string_view>
#include <vector>

// A process environment as name and value pairs, in the order they came.
// Names compare without regard to case, as the platform compares them; a
// name may begin with "=" (the current folder of each drive, "=C:=C:\work").
class EnvironmentVariables {
public:
    struct Variable {
        std::string name;
        std::string value;
    };

    EnvironmentVariables() = default;
    // The lines of an environment block up to its first empty one; a line
    // without "=" after its first character names nothing and is passed over.
    explicit EnvironmentVariables(const char* block);

    // The value, or null when there is no such variable.
    const std::string* Find(std::string_view name) const;
    // Replaces the value (and the spelling of the name) where the variable
    // stands, or appends it.
    void Set(std::string_view name, std::string_view value);
    void Remove(std::string_view name);

    // `text` with each %NAME% of a variable replaced by its value; a name that
    // is not there, and a "%" without a closing one, stay as written.
    std::string Expand(std::string_view text) const;

    // Each line of the block adds or overrides one variable, its value
    // expanded against the variables as they are at that line, so that
    // "PATH=C:\tools;%PATH%" extends the path. Stops at the first empty line,
    // as the block does when it is the whole environment.
    void Merge(const char* block);

    const std::vector<Variable>& Variables() const { return variables_; }

    // NUL-ended "name=value" lines sorted by name without regard to case, as
    // the platform keeps its own: a block without its closing NULs.
    std::string BlockText() const;

private:
    std::vector<Variable> variables_;
};

// True when the names are the same variable: equal but for the case of their
// ASCII letters, compared by character so that a double-byte character's
// second byte is never taken for a letter.
bool SameVariableName(std::string_view a, std::string_view b);

// A value of the registry's environment keys.
struct RegistryVariable {
    std::string name;
    std::string value;
    bool expand = false;  // REG_EXPAND_SZ: %NAME% expands when it is taken
};

// Takes the variables the system and the user keep in the registry into
// `variables`, as the shell builds a new environment: the system's first,
// then the user's, each key's plain values before its expanding ones; the
// user's PATH (and LIBPATH, OS2LIBPATH) is appended to the system's. A
// variable of `previous` (what the registry held last time) that the registry
// no longer holds is removed; every other variable stays. Returns the names
// the registry holds now, the `previous` of the next time.
std::vector<std::string> TakeRegistryVariables(EnvironmentVariables& variables,
                                               const std::vector<std::string>& previous,
                                               const std::vector<RegistryVariable>& system,
                                               const std::vector<RegistryVariable>& user);
