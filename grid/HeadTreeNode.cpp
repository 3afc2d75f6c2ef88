#include "grid/HeadTreeNode.h"
#include <stdexcept>

THeadTreeNode* THeadTreeNode::LastChild() const
{
    if (!Child)
        return nullptr;
    THeadTreeNode* n = Child;
    while (n->Next != Child)
        n = n->Next;
    return n;
}

bool THeadTreeNode::Find(const THeadTreeNode* node) const
{
    if (node == this)
        return true;
    if (!Child)
        return false;
    const THeadTreeNode* n = Child;
    do {
        if (n->Find(node))
            return true;
        n = n->Next;
    } while (n != Child);
    return false;
}

THeadTreeNode* THeadTreeNode::Add(THeadTreeNode* after, const QString& text, int height, int width)
{
    if (!after || !Find(after) || after == this)
        throw std::runtime_error("Node not in Tree");
    auto* n = new THeadTreeNode(text, height, width);
    n->Host = after->Host;
    n->Next = after->Next;
    after->Next = n;
    return n;
}

THeadTreeNode* THeadTreeNode::AddChild(THeadTreeNode* node, const QString& text, int height, int width)
{
    if (!node || !Find(node))
        throw std::runtime_error("Node not in Tree");
    auto* n = new THeadTreeNode(text, height, width);
    n->Host = node;
    if (!node->Child) {
        node->Child = n;
        n->Next = n;
    } else {
        THeadTreeNode* last = node->LastChild();
        n->Next = node->Child;
        last->Next = n;
    }
    return n;
}

THeadTreeNode* THeadTreeNode::Union(THeadTreeNode* from, THeadTreeNode* to, const QString& text, int height)
{
    if (!from || !Find(from) || from == this)
        throw std::runtime_error("Node not in Tree");
    THeadTreeNode* host = from->Host;
    // 'to' must be 'from' or a later sibling before the ring comes back to its start.
    bool found = false;
    for (THeadTreeNode* n = from;;) {
        if (n == to) {
            found = true;
            break;
        }
        n = n->Next;
        if (n == host->Child)
            break;
    }
    if (!found)
        throw std::runtime_error("ATo not in level");
    THeadTreeNode* prev = host->Child;
    while (prev->Next != from)
        prev = prev->Next;
    auto* u = new THeadTreeNode(text, height, 0);
    u->Host = host;
    u->LineWidth = to->LineWidth;
    const bool wholeRing = to->Next == from;
    u->Next = wholeRing ? u : to->Next;
    if (!wholeRing)
        prev->Next = u;
    if (host->Child == from || wholeRing)
        host->Child = u;
    u->Child = from;
    to->Next = from;
    int width = 0;
    for (THeadTreeNode* n = from;;) {
        n->Host = u;
        n->Height -= height;
        width += n->Width + n->LineWidth;
        if (n == to)
            break;
        n = n->Next;
    }
    if (u->LineWidth >= 1)
        width -= u->LineWidth;
    u->Width = width;
    return u;
}

void THeadTreeNode::FreeAllChild()
{
    if (!Child)
        return;
    THeadTreeNode* n = Child;
    do {
        THeadTreeNode* next = n->Next;
        delete n;
        n = next;
    } while (n != Child);
    Child = nullptr;
}

void THeadTreeNode::DoForAllNode(const std::function<void(THeadTreeNode*)>& proc)
{
    if (!Child)
        return;
    THeadTreeNode* n = Child;
    do {
        proc(n);
        n->DoForAllNode(proc);
        n = n->Next;
    } while (n != Child);
}
