// The administrative templates (Lockbay.admx, en-US/Lockbay.adml) against the policy
// table the programs read (product/policies.h): a policy, registry value or title
// missing on either side fails here.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "product/policies.h"

namespace {

std::string fileText(const std::string& name) {
    std::ifstream in(std::string(LOCKBAY_POLICY_TEMPLATES) + "/" + name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string narrow(const wchar_t* text) {
    return std::string(text, text + std::wcslen(text));
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
    std::set<std::string> policies, values, titles, presented;
    for (const auto& entry : product::policy::kEntries) {
        policies.insert(entry.policy);
        // A switch is the policy's own value (1 and 0); a host, a text element of its policy.
        const std::string element = entry.element ? entry.element : "";
        values.insert(std::string(entry.policy) + "/" + element + "=" + narrow(entry.valueName));
        titles.insert(std::string(entry.policy) + "=" + entry.title);
        if (entry.element) presented.insert(std::string(entry.policy) + "/" + element);
    }
    EXPECT_EQ(all(admx,
                  "<policy name=\"([^\"]+)\" class=\"Machine\" displayName=\"\\$\\(string\\.\\1\\)\"[^>]*"
                  "key=\"Software\\\\Policies\\\\Lockbay\""),
              policies);
    std::set<std::string> admxValues, admlTitles, admlPresented;
    for (const std::string& name : all(admx, "<policy name=\"([^\"]+)\"")) {
        std::smatch block;
        std::regex_search(admx, block, std::regex("<policy name=\"" + name + "\"[\\s\\S]*?</policy>"));
        const std::string text = block.str(0);
        if (text.find("<enabledValue><decimal value=\"1\" /></enabledValue>") != std::string::npos &&
            text.find("<disabledValue><decimal value=\"0\" /></disabledValue>") != std::string::npos)
            for (const std::string& value : all(text, "<policy [^>]*valueName=\"([^\"]+)\""))
                admxValues.insert(name + "/=" + value);
        for (const std::string& pair : all(text, "<text (id=\"[^\"]+\" valueName=\"[^\"]+)\""))
            admxValues.insert(name + "/" +
                              std::regex_replace(pair, std::regex("id=\"(.+)\" valueName=\"(.+)"), "$1=$2"));
        for (const std::string& title : all(adml, "<string id=\"" + name + "\">([^<]+)</string>"))
            admlTitles.insert(name + "=" + title);
        EXPECT_NE(adml.find("<string id=\"" + name + "_Help\">"), std::string::npos) << name;
    }
    EXPECT_EQ(admxValues, values);
    EXPECT_EQ(admlTitles, titles);
    // Every text the ADMX names is in the ADML, and no other; every host has its box.
    EXPECT_EQ(all(adml, "<string id=\"([^\"]+)\""), all(admx, "\\$\\(string\\.([^)]+)\\)"));
    for (const std::string& name : all(adml, "<presentation id=\"([^\"]+)\""))
        for (const std::string& box : all(adml, "<textBox refId=\"([^\"]+)\""))
            admlPresented.insert(name + "/" + box);
    EXPECT_EQ(admlPresented, presented);
}

}  // namespace
