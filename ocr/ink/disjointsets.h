#pragma once

#include <cstddef>
#include <vector>

// Union-find over numbered nodes; the root of a set is its lowest node.
class DisjointSets
{
public:
    int add();
    int find(int node);
    void unite(int a, int b);
    std::size_t size() const { return parents.size(); }

private:
    std::vector<int> parents;
};
