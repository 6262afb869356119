#pragma once

#include <cstddef>
#include <map>
#include <string>

namespace Utils {

// Settings of "key = value" lines, read once when constructed and answered by key.
class Configuration {
  public:
    // Reads the settings file; a console line when it cannot be read or is empty.
    explicit Configuration(const std::string& fileName);
    // Parses settings held in memory.
    Configuration(const unsigned char* bytes, std::size_t size);
    virtual ~Configuration() = default;

    // The stored value, or "" (with a console line) when the key is absent.
    std::string GetValue(const std::string& key) const;

    static int toInt(const std::string& value);
    static float toFloat(const std::string& value);
    static double toDouble(const std::string& value);
    static bool toBool(const std::string& value);
    static std::string joinPath(const std::string& folder, const std::string& file);
    static std::string trim(const std::string& text);

    const std::map<std::string, std::string>& getProperties() const { return properties; }

  private:
    void parse(const unsigned char* bytes, std::size_t size);

    std::map<std::string, std::string> properties;
};

} // namespace Utils
