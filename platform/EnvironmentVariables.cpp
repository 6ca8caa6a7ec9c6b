#include "platform/EnvironmentVariables.h"

#include <cstdlib>

namespace qv {

EnvironmentReader processEnvironment() {
    return [](const std::string& name) {
        const char* value = std::getenv(name.c_str());
        return value ? std::string(value) : std::string();
    };
}

EnvironmentReader fixedEnvironment(std::map<std::string, std::string> values) {
    return [values = std::move(values)](const std::string& name) {
        auto found = values.find(name);
        return found == values.end() ? std::string() : found->second;
    };
}

}  // namespace qv
