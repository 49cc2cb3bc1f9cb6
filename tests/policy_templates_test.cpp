// The Group Policy templates as shipped (installer/policy), read back with
// libxml2: they are what the settings table writes today, every string and
// presentation they refer to exists in both languages, and each policy's
// key, value, type and range are the table's.
#include <gtest/gtest.h>

#include <libxml/parser.h>
#include <libxml/xpath.h>
#include <libxml/xpathInternals.h>

#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "installer/policy_templates.h"
#include "store/extra_settings.h"
#include "store/policy.h"

namespace vantrel {
namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

const std::string kDir = VANTREL_POLICY_DIR;

// One parsed template, asked by XPath with the prefix p for its namespace.
class Xml {
public:
    explicit Xml(const std::string& text) {
        doc_ = xmlReadMemory(text.data(), static_cast<int>(text.size()), "t.xml", "UTF-8", XML_PARSE_NONET);
        if (!doc_) return;
        ctx_ = xmlXPathNewContext(doc_);
        xmlXPathRegisterNs(ctx_, reinterpret_cast<const xmlChar*>("p"),
                           reinterpret_cast<const xmlChar*>(
                               "http://schemas.microsoft.com/GroupPolicy/2006/07/PolicyDefinitions"));
    }
    ~Xml() {
        if (ctx_) xmlXPathFreeContext(ctx_);
        if (doc_) xmlFreeDoc(doc_);
    }
    bool ok() const { return doc_ != nullptr; }
    // The text of every node the path finds.
    std::vector<std::string> All(const std::string& path) {
        std::vector<std::string> out;
        xmlXPathObjectPtr found = xmlXPathEvalExpression(reinterpret_cast<const xmlChar*>(path.c_str()), ctx_);
        if (found && found->nodesetval)
            for (int i = 0; i < found->nodesetval->nodeNr; ++i) {
                xmlChar* c = xmlNodeGetContent(found->nodesetval->nodeTab[i]);
                out.push_back(c ? reinterpret_cast<const char*>(c) : "");
                xmlFree(c);
            }
        xmlXPathFreeObject(found);
        return out;
    }
    std::string One(const std::string& path) {
        const std::vector<std::string> all = All(path);
        return all.size() == 1 ? all[0] : all.empty() ? "<none>" : "<many>";
    }

private:
    xmlDocPtr doc_ = nullptr;
    xmlXPathContextPtr ctx_ = nullptr;
};

// The files shipped are the ones the table writes: a setting added to the
// table and not to the templates fails here (and the generator says which).
TEST(PolicyTemplates, TheShippedFilesAreWhatTheTableWrites) {
    const PolicyTemplates t = BuildPolicyTemplates();
    ASSERT_EQ(t.error, "");
    const char* const hint = "write them again: build/native/bin/vantrel_admx installer/policy";
    EXPECT_EQ(ReadAll(kDir + "/Vantrel.admx"), t.admx) << hint;
    EXPECT_EQ(ReadAll(kDir + "/zh-CN/Vantrel.adml"), t.admlZhCn) << hint;
    EXPECT_EQ(ReadAll(kDir + "/en-US/Vantrel.adml"), t.admlEnUs) << hint;
}

// Every reference of the ADMX resolves in both ADMLs, every presentation's
// boxes name an element of their policy, and each policy is one setting of
// the table (or a switch) with its key, value, type and range.
TEST(PolicyTemplates, ReferencesResolveAndPoliciesMatchTheTable) {
    Xml admx(ReadAll(kDir + "/Vantrel.admx"));
    ASSERT_TRUE(admx.ok());
    Xml zh(ReadAll(kDir + "/zh-CN/Vantrel.adml"));
    Xml en(ReadAll(kDir + "/en-US/Vantrel.adml"));
    ASSERT_TRUE(zh.ok());
    ASSERT_TRUE(en.ok());

    // $(string.X) and $(presentation.X) in any attribute.
    std::set<std::string> strings, presentations;
    for (const std::string& v : admx.All("//@*")) {
        if (v.rfind("$(string.", 0) == 0) strings.insert(v.substr(9, v.size() - 10));
        if (v.rfind("$(presentation.", 0) == 0) presentations.insert(v.substr(15, v.size() - 16));
    }
    EXPECT_FALSE(strings.empty());
    for (Xml* adml : {&zh, &en}) {
        for (const std::string& id : strings)
            EXPECT_EQ(adml->All("//p:stringTable/p:string[@id='" + id + "']").size(), 1u) << id;
        for (const std::string& id : presentations) {
            const std::string at = "//p:presentationTable/p:presentation[@id='" + id + "']";
            ASSERT_EQ(adml->All(at).size(), 1u) << id;
            // Each box names an element of the policy that shows it.
            for (const std::string& ref : adml->All(at + "/*/@refId"))
                EXPECT_EQ(admx.All("//p:policy[@presentation='$(presentation." + id + ")']/p:elements/*[@id='" + ref +
                                   "']")
                              .size(),
                          1u)
                    << id << " " << ref;
        }
        // A string no one refers to is a leftover.
        for (const std::string& id : adml->All("//p:stringTable/p:string/@id")) EXPECT_TRUE(strings.count(id)) << id;
    }

    const std::string key = std::string(kPolicyKeyPath).substr(1);
    std::set<std::string> named;
    for (const SettingEntry& s : AllSettings()) {
        SCOPED_TRACE(s.name);
        const std::string p = "//p:policy[@name='" + std::string(s.name) + "']";
        named.insert(s.name);
        ASSERT_EQ(admx.All(p).size(), 1u);
        EXPECT_EQ(admx.One(p + "/@key"), key);
        EXPECT_EQ(admx.One(p + "/@class"), "Machine");
        if (IsSwitch(s)) {
            EXPECT_EQ(admx.One(p + "/@valueName"), s.name);
            EXPECT_EQ(admx.One(p + "/p:enabledValue/p:decimal/@value"), "1");
            EXPECT_EQ(admx.One(p + "/p:disabledValue/p:decimal/@value"), "0");
        } else if (s.text) {
            EXPECT_EQ(admx.One(p + "/p:elements/p:text/@valueName"), s.name);
        } else {
            const std::string d = p + "/p:elements/p:decimal";
            EXPECT_EQ(admx.One(d + "/@valueName"), s.name);
            EXPECT_EQ(admx.One(d + "/@minValue"), std::to_string(s.minimum));
            EXPECT_EQ(admx.One(d + "/@maxValue"), std::to_string(s.maximum));
            EXPECT_EQ(admx.One(d + "/@storeAsText"), "<none>");  // a DWORD, as the program reads it
            for (Xml* adml : {&zh, &en})
                EXPECT_EQ(adml->One("//p:presentation[@id='" + std::string(s.name) + "']/p:decimalTextBox/@defaultValue"),
                          std::to_string(s.defaultValue));
        }
    }
    for (const PolicySwitch& sw : PolicySwitches()) {
        const std::string p = "//p:policy[@name='" + std::string(sw.name) + "']";
        named.insert(sw.name);
        EXPECT_EQ(admx.One(p + "/@valueName"), sw.name);
        EXPECT_EQ(admx.One(p + "/@key"), key);
        EXPECT_EQ(admx.One(p + "/p:enabledValue/p:decimal/@value"), "1");
    }
    // Nothing beyond the table.
    for (const std::string& name : admx.All("//p:policy/@name")) EXPECT_TRUE(named.count(name)) << name;
}

}  // namespace
}  // namespace vantrel
