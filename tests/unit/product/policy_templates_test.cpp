// The administrative templates (Lockbay.admx, en-US/Lockbay.adml) against the policy
// table the programs read (product/policies.h): a policy, registry value or title
// missing on either side fails here.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>

#include "product/policies.h"

namespace {

std::string fileText(const std::string& name) {
    std::ifstream in(std::string(LOCKBAY_POLICY_TEMPLATES) + "/" + name, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The first captured group of every match.
std::set<std::string> all(const std::string& xml, const std::string& pattern) {
    std::set<std::string> found;
    const std::regex expression(pattern);
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), expression); it != std::sregex_iterator();
         ++it)
        found.insert(it->str(1));
    return found;
}

TEST(PolicyTemplates, EveryPolicyOfTheTableIsInBothTemplatesAndNothingElse) {
    const std::string admx = fileText("Lockbay.admx"), adml = fileText("en-US/Lockbay.adml");
    const auto has = [](const std::string& text, const std::string& part) {
        return text.find(part) != text.npos;
    };
    std::set<std::string> policies, values;
    for (const auto& entry : product::policy::kEntries) {
        const std::string name = entry.policy;
        const std::string value(entry.valueName, entry.valueName + std::wcslen(entry.valueName));
        policies.insert(name);
        values.insert(value);
        EXPECT_TRUE(has(
            admx, "<policy name=\"" + name + "\" class=\"Machine\" displayName=\"$(string." + name + ")\""));
        EXPECT_TRUE(has(adml, "<string id=\"" + name + "\">" + entry.title + "</string>")) << name;
        if (entry.element) {
            EXPECT_TRUE(
                has(admx, "<text id=\"" + std::string(entry.element) + "\" valueName=\"" + value + "\""));
            EXPECT_TRUE(has(adml, "<textBox refId=\"" + std::string(entry.element) + "\">")) << value;
        }
    }
    EXPECT_EQ(all(admx, "<policy name=\"([^\"]+)\""), policies);
    EXPECT_EQ(all(admx, "valueName=\"([^\"]+)\""), values);
    // Every text the ADMX names is in the ADML, and no other.
    EXPECT_EQ(all(adml, "<string id=\"([^\"]+)\""), all(admx, "\\$\\(string\\.([^)]+)\\)"));
}

}  // namespace
