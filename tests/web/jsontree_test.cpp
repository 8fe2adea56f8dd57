// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
// The page's requests as a tree: every number keeps the text it was written with, members
// land in the object they belong to, and text that is not JSON is refused as the request's.

#include "web/module/jsontree.h"

#include <gtest/gtest.h>

namespace {

using TKind = TJsonNode::TKind;

} // namespace

TEST(JsonTree, NumbersKeepTheirTextAndValuesTheirKind)
{
    const TJsonNode root = ParseJsonTree(
        R"({"a": 0.0010, "b": 7, "c": -3, "d": 18446744073709551615, "e": "7.0", "f": true,
            "g": false, "h": null, "i": 1E-3})");
    ASSERT_EQ(root.Kind, TKind::jkObject);
    struct TCase {
        const char* Key;
        TKind Kind;
        const char* Text;
    };
    for (const TCase& c : {TCase {"a", TKind::jkNumber, "0.0010"},
                           {"b", TKind::jkNumber, "7"},
                           {"c", TKind::jkNumber, "-3"},
                           {"d", TKind::jkNumber, "18446744073709551615"},
                           {"e", TKind::jkText, "7.0"},
                           {"f", TKind::jkBool, ""},
                           {"g", TKind::jkBool, ""},
                           {"h", TKind::jkNull, ""},
                           {"i", TKind::jkNumber, "1E-3"}}) {
        SCOPED_TRACE(c.Key);
        const TJsonNode* node = root.Find(c.Key);
        ASSERT_NE(node, nullptr);
        EXPECT_EQ(node->Kind, c.Kind);
        EXPECT_EQ(node->Text, c.Text);
        EXPECT_EQ(node->IsNull(), c.Kind == TKind::jkNull);
    }
    EXPECT_TRUE(root.Find("f")->Bool);
    EXPECT_FALSE(root.Find("g")->Bool);
    EXPECT_EQ(root.Find("missing"), nullptr);
    EXPECT_EQ(root.Members.size(), 9U);
}

TEST(JsonTree, NestedContainersCloseBeforeTheNextMember)
{
    // After a nested object or array closes, the next member belongs to the outer object.
    const TJsonNode root = ParseJsonTree(
        R"({"stock_a": {"total_mg": "5", "inner": [1, [2, 3], {"x": 4}]}, "ph": 7, "list": []})");
    ASSERT_EQ(root.Members.size(), 3U);
    EXPECT_EQ(root.Members[0].first, "stock_a");
    EXPECT_EQ(root.Members[1].first, "ph");
    EXPECT_EQ(root.Find("ph")->Text, "7");
    EXPECT_EQ(root.Find("list")->Kind, TKind::jkArray);
    EXPECT_TRUE(root.Find("list")->Items.empty());
    const TJsonNode& stock = *root.Find("stock_a");
    ASSERT_EQ(stock.Members.size(), 2U);
    EXPECT_EQ(stock.Find("total_mg")->Text, "5");
    const TJsonNode& inner = *stock.Find("inner");
    ASSERT_EQ(inner.Items.size(), 3U);
    EXPECT_EQ(inner.Items[0].Text, "1");
    ASSERT_EQ(inner.Items[1].Items.size(), 2U);
    EXPECT_EQ(inner.Items[1].Items[1].Text, "3");
    EXPECT_EQ(inner.Items[2].Find("x")->Text, "4");

    const TJsonNode scalar = ParseJsonTree(" 2.50 ");
    EXPECT_EQ(scalar.Kind, TKind::jkNumber);
    EXPECT_EQ(scalar.Text, "2.50");
}

TEST(JsonTree, ARepeatedKeyMeansItsLastValue)
{
    const TJsonNode root = ParseJsonTree(R"({"ph": "6", "ionic_strength": "0.2", "ph": "8"})");
    EXPECT_EQ(root.Find("ph")->Text, "8");
    EXPECT_EQ(root.Find("ionic_strength")->Text, "0.2");
}

TEST(JsonTree, TextThatIsNotJsonIsRefusedAsTheRequests)
{
    for (const char* text : {"{\"ph\": 7", "", "{ph: 7}", "[1,]", "{\"a\": 1} x"}) {
        SCOPED_TRACE(text);
        try {
            ParseJsonTree(text);
            ADD_FAILURE() << "accepted";
        } catch (const TRequestError& e) {
            EXPECT_EQ(std::string(e.what()).rfind("The request is not JSON: ", 0), 0U) << e.what();
            EXPECT_EQ(e.Field, "");
        }
    }
}
