// The administrative templates (Lockbay.admx, en-US/Lockbay.adml) against the policy
// table the programs read (product/policies.h): a policy, registry value or title
// missing on either side fails here. Also how the programs read the values.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "fakes/fake_platform.h"
#include "product/policies.h"

namespace {

using product::policy::Kind;

std::string fileText(const std::string& name) {
    std::ifstream in(std::string(LOCKBAY_POLICY_TEMPLATES) + "/" + name, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string narrow(const wchar_t* text) {
    return std::string(text, text + std::wcslen(text));
}

// The text between `<tag ...id="name"...>` and its closing tag; empty when absent.
std::string element(const std::string& xml, const std::string& tag, const std::string& attribute,
                    const std::string& name) {
    const std::regex pattern("<" + tag + "\\s[^>]*" + attribute + "=\"" + name + "\"[^>]*>([\\s\\S]*?)</" +
                             tag + ">");
    std::smatch match;
    return std::regex_search(xml, match, pattern) ? match.str(0) : std::string();
}

std::set<std::string> all(const std::string& xml, const std::string& pattern) {
    std::set<std::string> found;
    const std::regex expression(pattern);
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), expression); it != std::sregex_iterator();
         ++it)
        found.insert(it->str(1));
    return found;
}

TEST(PolicyTemplates, EveryPolicyOfTheTableIsInBothTemplatesAndNothingElse) {
    const std::string admx = fileText("Lockbay.admx");
    const std::string adml = fileText("en-US/Lockbay.adml");
    ASSERT_FALSE(admx.empty());
    ASSERT_FALSE(adml.empty());
    std::set<std::string> tablePolicies;
    for (const auto& entry : product::policy::kEntries) {
        SCOPED_TRACE(entry.policy);
        tablePolicies.insert(entry.policy);
        const std::string policy = element(admx, "policy", "name", entry.policy);
        ASSERT_FALSE(policy.empty());
        EXPECT_NE(policy.find("class=\"Machine\""), std::string::npos);
        EXPECT_NE(policy.find("key=\"" + narrow(product::policy::kKey) + "\""), std::string::npos);
        EXPECT_NE(policy.find("displayName=\"$(string." + std::string(entry.policy) + ")\""),
                  std::string::npos);
        EXPECT_NE(policy.find("<parentCategory ref=\"Lockbay\" />"), std::string::npos);
        const std::string value = narrow(entry.valueName);
        if (entry.kind == Kind::Switch) {
            EXPECT_NE(policy.find("valueName=\"" + value + "\""), std::string::npos);
            EXPECT_NE(policy.find("<enabledValue><decimal value=\"1\" /></enabledValue>"), std::string::npos);
            EXPECT_NE(policy.find("<disabledValue><decimal value=\"0\" /></disabledValue>"),
                      std::string::npos);
        } else {
            EXPECT_NE(
                policy.find("<text id=\"" + std::string(entry.element) + "\" valueName=\"" + value + "\""),
                std::string::npos);
            EXPECT_NE(element(adml, "presentation", "id", entry.policy)
                          .find("refId=\"" + std::string(entry.element) + "\""),
                      std::string::npos);
        }
        EXPECT_EQ(element(adml, "string", "id", entry.policy),
                  "<string id=\"" + std::string(entry.policy) + "\">" + entry.title + "</string>");
        EXPECT_FALSE(element(adml, "string", "id", std::string(entry.policy) + "_Help").empty());
    }
    EXPECT_EQ(all(admx, "<policy name=\"([^\"]+)\""), tablePolicies);
    // Every text the ADMX names is in the ADML, and the ADML holds no other.
    std::set<std::string> referenced = all(admx, "\\$\\(string\\.([^)]+)\\)");
    EXPECT_EQ(all(adml, "<string id=\"([^\"]+)\""), referenced);
    EXPECT_EQ(all(admx, "\\$\\(presentation\\.([^)]+)\\)"), all(adml, "<presentation id=\"([^\"]+)\""));
}

TEST(PolicyTemplates, ValuesAreReadAsGroupPolicyWritesThemAndAnythingElseIsNotConfigured) {
    using platform::dwordValue;
    using platform::stringValue;
    struct Row {
        const wchar_t* name;
        platform::RegistryValue value;
        product::policy::Policies expected;
    };
    product::policy::Policies none;
    const auto with = [](auto member, auto value) {
        product::policy::Policies policies;
        policies.*member = value;
        return policies;
    };
    using P = product::policy::Policies;
    const Row rows[] = {
        {L"UpdateCheck", dwordValue(0), with(&P::updateCheck, false)},
        {L"UpdateCheck", dwordValue(1), with(&P::updateCheck, true)},
        {L"UpdateCheck", dwordValue(2), none},
        {L"UpdateCheck", stringValue(L"0"), none},
        {L"ProtectOnPlugIn", dwordValue(0), with(&P::watcher, false)},
        {L"OfferCleaning", dwordValue(0), with(&P::offerCleaning, false)},
        {L"AllowNtfsConversion", dwordValue(0), with(&P::ntfsConversion, false)},
        {L"UpdateHost", stringValue(L"mirror.example.org:8080"),
         with(&P::updateHost, std::wstring(L"mirror.example.org:8080"))},
        {L"DownloadHost", stringValue(L"files.example.org"),
         with(&P::downloadHost, std::wstring(L"files.example.org"))},
        {L"UpdateHost", stringValue(L"evil.example/x?y"), none},
        {L"UpdateHost", stringValue(L""), none},
        {L"UpdateHost", dwordValue(1), none},
    };
    for (const Row& row : rows) {
        fakes::FakeRegistry registry;
        registry.write(platform::RegistryRoot::LocalMachine, product::policy::kKey, row.name, row.value);
        // The same value for the user is no policy.
        registry.write(platform::RegistryRoot::CurrentUser, product::policy::kKey, L"OfferCleaning",
                       dwordValue(0));
        EXPECT_EQ(product::policy::read(registry), row.expected) << narrow(row.name);
    }
}

}  // namespace
