// The registry emulation: keys as sections of one file, named and default values, subkeys erased with
// their key.
#include "platform/system/Registry.h"
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(RegistryEmulation, KeysValuesDefaultsAndSubkeys)
{
    QTemporaryDir dir;
    const QString store = dir.filePath("sub/registry.ini");
    sys::TRegIniFile reg("\\Software\\X\\", store);
    EXPECT_EQ(reg.KeyPath(), "Software\\X");
    EXPECT_EQ(reg.ReadString("A", "v", "def"), "def") << "nothing stored yet, no file";
    ASSERT_TRUE(reg.WriteString("A", "v", "1"));
    ASSERT_TRUE(reg.WriteString("A", "", "default"));
    ASSERT_TRUE(reg.WriteString("A\\B", "w", "2"));
    ASSERT_TRUE(reg.WriteString("C", "@x", "3"));
    QStringList names;
    reg.ReadSection("A", names);
    EXPECT_EQ(names, QStringList({"v", ""}));
    ASSERT_TRUE(reg.EraseSection("A"));
    EXPECT_FALSE(reg.ValueExists("A", "v"));
    EXPECT_FALSE(reg.ValueExists("A\\B", "w")) << "a key goes with its subkeys";
    EXPECT_EQ(reg.ReadString("C", "@x", ""), "3");
}
