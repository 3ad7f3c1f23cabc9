#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "packages/PackagesTestSupport.h"
#include "software/SoftwareTestSupport.h"
#include "software/TrkTagFiles.h"

namespace {

TEST(TagFilesTest, ReadsTheDeclaredNameAndVersion) {
  struct CaseT {
    bool component;
    const char* xml;
    hx::ResultT result;
    const char* name;
    const char* version;
  } cases[] = {
      {false, "<tag><ProductName>\n  Widget Server \t</ProductName><ProductVersion>7.1</ProductVersion></tag>",
       hx::RC_OK, "Widget Server", "7.1"},
      {false, "<t><productname>A &amp; B</productname><PRODUCTVERSION> 1 </PRODUCTVERSION></t>", hx::RC_OK, "A & B", "1"},
      {false, "<t><ProductName>first</ProductName><ProductName>second</ProductName></t>", hx::RC_OK, "second", ""},
      {false, "<t><ProductName>Widget <b>x</b> Server</ProductName></t>", hx::RC_OK, "Server", ""},
      {false, "<t><ComponentName>c</ComponentName></t>", hx::RC_OK, "", ""},
      {true, "<t><ComponentName>Core</ComponentName><ComponentVersion>2.0</ComponentVersion></t>", hx::RC_OK, "Core",
       "2.0"},
      {false, "<t><ProductName>broken</ProductName>", hx::RC_FAIL, "broken", ""},
      {false, "<!DOCTYPE t [<!ENTITY e \"x\">]><t><ProductName>&e;</ProductName></t>", hx::RC_FAIL, "", ""},
  };
  for (const CaseT& c : cases) {
    SWTAGC product;
    CMPTAGC component;
    IBMTAGC& tag = c.component ? static_cast<IBMTAGC&>(component) : product;
    EXPECT_EQ(tag.ParseTAGText(c.xml), c.result) << c.xml;
    EXPECT_EQ(tag.name, c.name) << c.xml;
    EXPECT_EQ(tag.version, c.version) << c.xml;
  }
}

// A tag file names its own product; otherwise the package database does.
TEST(TagFilesTest, TagFilesTakeThePlaceOfThePackageDatabase) {
  hxtest::ScopedTimeZoneC utc("UTC");
  hxtest::TempDirC tree("hxsw-tags");
  const std::string good = "<t><ProductName> Widget Server </ProductName><ProductVersion>7.1</ProductVersion></t>";
  const std::string product = tree.Write("opt/product.swtag", good);
  const std::string upper = tree.Write("opt/upper.SWTAG", good);
  const std::string noVersion = tree.Write("opt/part.cmptag", "<t><ComponentName>Core</ComponentName></t>");
  const std::string broken = tree.Write("opt/broken.swtag", "<t><ProductName>x</ProductName>");
  pkgtest::TestKindC kind("SUNPKG", {{"SUNWwidget", "7.0", {product, upper, noVersion, broken}}});
  swtest::ScanC scan;
  const swtest::ScanT run = scan.Run({"IncludeDirectory=" + tree.File("opt"), "PackageDatabaseTypes=SUNPKG"});
  const std::string fromTag = "|FileDescription=Widget Server|FileVersion=7.1";
  const std::string fromDatabase = "|ProductName=SUNWwidget|ProductVersion=7.0";
  ASSERT_EQ(run.files.size(), 4u);
  struct CaseT {
    std::string path;
    std::string properties;
  } cases[] = {{broken, fromDatabase}, {noVersion, fromDatabase}, {product, fromTag}, {upper, fromTag}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_TRUE(hx::StartsWith(run.files[i], cases[i].path + "|")) << run.files[i];
    EXPECT_TRUE(hx::EndsWith(run.files[i], "|NO_MD5|" + std::to_string(hxtest::ReadFile(cases[i].path).size()) +
                                               cases[i].properties))
        << run.files[i];
  }
}

}  // namespace
