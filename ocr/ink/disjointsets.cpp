#include "disjointsets.h"

#include <algorithm>

int DisjointSets::add()
{
    parents.push_back(int(parents.size()));
    return parents.back();
}

int DisjointSets::find(int node)
{
    while (parents[std::size_t(node)] != node) {
        parents[std::size_t(node)] = parents[std::size_t(parents[std::size_t(node)])];
        node = parents[std::size_t(node)];
    }
    return node;
}

void DisjointSets::unite(int a, int b)
{
    a = find(a);
    b = find(b);
    if (a != b)
        parents[std::size_t(std::max(a, b))] = std::min(a, b);
}
