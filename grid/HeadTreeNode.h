#pragma once
// One caption cell of the multi-level title: captions split at '|' are merged, pass by pass, into
// parents over runs of adjacent columns that share their first word. Children form a ring through Next;
// a root frees its whole subtree.
#include <QString>
#include <functional>
#include <vector>

class TColumnEx;
class TCustomDBGridEx;

class THeadTreeNode {
public:
    THeadTreeNode() = default;
    THeadTreeNode(const QString& text, int height, int width) : Text(text), Height(height), Width(width) {}
    ~THeadTreeNode() { FreeAllChild(); }
    THeadTreeNode(const THeadTreeNode&) = delete;
    THeadTreeNode& operator=(const THeadTreeNode&) = delete;

    THeadTreeNode* Host = nullptr;
    THeadTreeNode* Child = nullptr;
    THeadTreeNode* Next = this;
    QString Text;
    int Height = 0;
    int Width = 0;
    int LineWidth = 0;
    TColumnEx* Column = nullptr;
    int MarkerSpace = 0;
    bool Drawn = false;

    // A new sibling after 'after', or a new last child of 'node'; both must be in this tree.
    THeadTreeNode* Add(THeadTreeNode* after, const QString& text, int height, int width);
    THeadTreeNode* AddChild(THeadTreeNode* node, const QString& text, int height, int width);
    // A new node in place of from..to (one level) that takes them as its children.
    THeadTreeNode* Union(THeadTreeNode* from, THeadTreeNode* to, const QString& text, int height);
    bool Find(const THeadTreeNode* node) const;
    void FreeAllChild();
    // Pre-order walk over every node below this one.
    void DoForAllNode(const std::function<void(THeadTreeNode*)>& proc);
    THeadTreeNode* LastChild() const;
    // Builds the tree of the grid's titles under this root, one leaf per column in column order.
    void CreateFieldTree(TCustomDBGridEx* grid, std::vector<THeadTreeNode*>& leaves, int titleHeight);
};
