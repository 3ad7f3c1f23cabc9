#include <gtest/gtest.h>

#include "software/TrkTagFiles.h"

namespace {

TEST(TagFilesTest, ReadsTheDeclaredNameAndVersion) {
  struct CaseT { bool component; const char* xml; hx::ResultT result; const char *name, *version; } cases[] = {
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

}  // namespace
