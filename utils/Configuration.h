#pragma once

#include <map>
#include <string>

namespace Utils {

// Settings file of "key = value" lines, read once when constructed and answered by key.
class Configuration {
  public:
    explicit Configuration(const std::string& fileName);
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
    void parse();

    std::map<std::string, std::string> properties;
    std::string fileName;
};

} // namespace Utils
