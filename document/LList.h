// The program's singly linked list: a pointer to the first node, each node
// holding the next pointer and one element. Copies copy every element with
// the element's own copy rule (for cuts that takes a tank reference).
#pragma once
#include <cstddef>
#include <utility>

namespace sondrel {

template <class T>
class LList {
public:
    struct Node {
        template <class... A>
        explicit Node(A&&... args) : data(std::forward<A>(args)...) {}
        Node* pNext = nullptr;
        T data;
    };

    class Iterator {
    public:
        Iterator() = default;
        explicit Iterator(Node* node) : pNode(node) {}
        bool IsValid() const { return pNode != nullptr; }
        // "LList<T>::Iterator::Next() called when iterator is not valid": stays invalid.
        void Next() {
            if (pNode) pNode = pNode->pNext;
        }
        T& operator*() const { return pNode->data; }
        T* operator->() const { return &pNode->data; }
        Node* GetNode() const { return pNode; }

    private:
        Node* pNode = nullptr;
    };

    LList() = default;
    LList(const LList& other) { CopyFrom(other); }
    LList(LList&& other) noexcept : pHead(other.pHead) { other.pHead = nullptr; }
    ~LList() { Clear(); }

    // The new elements are copied before the old ones are destroyed, so
    // assigning a list that shares elements with this one never drops them
    // in between; self-assignment changes nothing.
    LList& operator=(const LList& other) {
        if (this != &other) {
            LList copy(other);
            Swap(copy);
        }
        return *this;
    }
    LList& operator=(LList&& other) noexcept {
        if (this != &other) {
            LList old(std::move(*this));
            pHead = other.pHead;
            other.pHead = nullptr;
        }
        return *this;
    }

    void Swap(LList& other) noexcept { std::swap(pHead, other.pHead); }

    // Destroys every node, first to last.
    void Clear() {
        while (pHead) {
            Node* n = pHead;
            pHead = n->pNext;
            delete n;
        }
    }

    bool IsEmpty() const { return pHead == nullptr; }
    Node* GetHead() const { return pHead; }
    Iterator Begin() const { return Iterator(pHead); }
    size_t Count() const {
        size_t n = 0;
        for (Node* p = pHead; p; p = p->pNext) ++n;
        return n;
    }

    template <class U>
    Node* AddHead(U&& value) {
        Node* n = new Node(std::forward<U>(value));
        n->pNext = pHead;
        pHead = n;
        return n;
    }

    // Walks to the end.
    template <class U>
    Node* AddTail(U&& value) {
        return AddAfter(Last(), std::forward<U>(value));
    }

    // Walks from the head to find before; null or the head itself means at the head.
    // A node that is not in the list also puts the value at the head.
    template <class U>
    Node* AddBefore(Node* before, U&& value) {
        if (!before || before == pHead) return AddHead(std::forward<U>(value));
        Node* p = pHead;
        while (p && p->pNext != before) p = p->pNext;
        // Not found: treated as the head.
        if (!p) return AddHead(std::forward<U>(value));
        return AddAfter(p, std::forward<U>(value));
    }

    // After the given node; null means at the head (an empty list's tail).
    template <class U>
    Node* AddAfter(Node* after, U&& value) {
        if (!after) return AddHead(std::forward<U>(value));
        Node* n = new Node(std::forward<U>(value));
        n->pNext = after->pNext;
        after->pNext = n;
        return n;
    }

    // Walks from the head to unlink the node, then destroys it. A node not in
    // the list is left alone.
    void Remove(Node* node) {
        if (!node) return;
        if (node == pHead) {
            RemoveAfter(nullptr);
            return;
        }
        for (Node* p = pHead; p; p = p->pNext) {
            if (p->pNext == node) {
                RemoveAfter(p);
                return;
            }
        }
    }

    // Destroys the node following prev (the head when prev is null) and
    // returns the node that followed it.
    Node* RemoveAfter(Node* prev) {
        Node*& link = prev ? prev->pNext : pHead;
        Node* n = link;
        if (!n) return nullptr;
        link = n->pNext;
        delete n;
        return link;
    }

    // Moves every node of other, in order, after prev (to the front when prev
    // is null); other becomes empty. Returns the last node moved, or prev
    // when other was empty.
    Node* SpliceAfter(Node* prev, LList&& other) {
        if (!other.pHead) return prev;
        Node* first = other.pHead;
        Node* last = first;
        while (last->pNext) last = last->pNext;
        other.pHead = nullptr;
        Node*& link = prev ? prev->pNext : pHead;
        last->pNext = link;
        link = first;
        return last;
    }

    Node* Last() const {
        Node* p = pHead;
        if (p)
            while (p->pNext) p = p->pNext;
        return p;
    }

private:
    void CopyFrom(const LList& other) {
        Node* tail = nullptr;
        for (Node* p = other.pHead; p; p = p->pNext) tail = AddAfter(tail, p->data);
    }

    Node* pHead = nullptr;
};

}  // namespace sondrel
