// SPDX-FileCopyrightText: 2026 Quelix developers
// SPDX-License-Identifier: MIT
#include "web/module/jsontree.h"

#include <nlohmann/json.hpp>

#include <string>

namespace {

// Builds the tree from the parser's events. Floating-point numbers arrive with the text
// they were written with; integers only as their value, which std::to_string gives back
// exactly.
class TTreeBuilder {
public:
    explicit TTreeBuilder(TJsonNode& root)
        : FRoot(root)
    {
    }

    bool null() { return Put(TJsonNode {}); }
    bool boolean(bool value)
    {
        TJsonNode node;
        node.Kind = TJsonNode::TKind::jkBool;
        node.Bool = value;
        return Put(std::move(node));
    }
    bool number_integer(std::int64_t value) { return Number(std::to_string(value)); }
    bool number_unsigned(std::uint64_t value) { return Number(std::to_string(value)); }
    bool number_float(double, const std::string& text) { return Number(text); }
    bool string(std::string& value)
    {
        TJsonNode node;
        node.Kind = TJsonNode::TKind::jkText;
        node.Text = std::move(value);
        return Put(std::move(node));
    }
    bool binary(nlohmann::json::binary_t&) { return false; }
    bool start_object(std::size_t)
    {
        TJsonNode node;
        node.Kind = TJsonNode::TKind::jkObject;
        return Open(std::move(node));
    }
    bool key(std::string& name)
    {
        FKey = std::move(name);
        return true;
    }
    bool end_object()
    {
        FOpen.pop_back();
        return true;
    }
    bool start_array(std::size_t)
    {
        TJsonNode node;
        node.Kind = TJsonNode::TKind::jkArray;
        return Open(std::move(node));
    }
    bool end_array()
    {
        FOpen.pop_back();
        return true;
    }
    bool parse_error(std::size_t, const std::string&, const nlohmann::json::exception& e)
    {
        throw TRequestError(std::string("The request is not JSON: ") + e.what());
    }

private:
    bool Number(std::string text)
    {
        TJsonNode node;
        node.Kind = TJsonNode::TKind::jkNumber;
        node.Text = std::move(text);
        return Put(std::move(node));
    }
    // Places a value in the open object (under the last key) or array, or as the root.
    TJsonNode* Place(TJsonNode&& node)
    {
        if (FOpen.empty()) {
            FRoot = std::move(node);
            return &FRoot;
        }
        TJsonNode& parent = *FOpen.back();
        if (parent.Kind == TJsonNode::TKind::jkObject) {
            parent.Members.emplace_back(std::move(FKey), std::move(node));
            return &parent.Members.back().second;
        }
        parent.Items.push_back(std::move(node));
        return &parent.Items.back();
    }
    bool Put(TJsonNode&& node)
    {
        Place(std::move(node));
        return true;
    }
    bool Open(TJsonNode&& node)
    {
        FOpen.push_back(Place(std::move(node)));
        return true;
    }

    TJsonNode& FRoot;
    std::string FKey;
    // The objects and arrays being filled, innermost last. A container's members are only
    // appended to while it is the innermost one, so the pointers into it stay valid.
    std::vector<TJsonNode*> FOpen;
};

} // namespace

const TJsonNode* TJsonNode::Find(std::string_view key) const
{
    const TJsonNode* found = nullptr;
    for (const auto& [name, value] : Members)
        if (name == key)
            found = &value;
    return found;
}

TJsonNode ParseJsonTree(std::string_view text)
{
    TJsonNode root;
    TTreeBuilder builder(root);
    nlohmann::json::sax_parse(text, &builder);
    return root;
}
