#pragma once

#include "LiveImage.h"

#include <vector>

class TKivRecipes;

// The recipe values of the live panel that an operator may change: every column of every recipe
// record that lies inside the image. A change moves one of them a few percent up or down (at
// least one unit), within what its format holds.
class LiveRecipes
{
public:
    explicit LiveRecipes(const TKivRecipes& recipes);

    bool Empty() const { return m_columns.empty(); }
    // Changes one value; nothing when there is none to change.
    void ChangeOne(LiveImage& image, LiveRandom& random) const;

private:
    // One column of a recipe over the records that hold it whole.
    struct Column {
        qint64 first;  // its register in record 0
        qint64 stride; // registers from one record to the next
        qint64 records;
        int format;
    };
    std::vector<Column> m_columns;
};
