#include "core/boxmodel.h"

#include "core/hidtransport.h"
#include "core/valuerules.h"

#include <algorithm>
#include <array>

namespace {

// One row per product ID; every model sold so far has three fan ports.
constexpr int kThreePorts = 3;

std::array<BoxModel, kBoxCount> makeTable()
{
    std::array<BoxModel, kBoxCount> table{};
    for (int n = 0; n < kBoxCount; ++n)
        table[static_cast<std::size_t>(n)] = BoxModel{productIdForBox(n), kThreePorts};
    return table;
}

std::array<BoxModel, kBoxCount> &table()
{
    static std::array<BoxModel, kBoxCount> rows = makeTable();
    return rows;
}

BoxModel *rowFor(std::uint16_t productId)
{
    for (BoxModel &row : table()) {
        if (row.productId == productId)
            return &row;
    }
    return nullptr;
}

} // namespace

BoxModel boxModel(int box)
{
    if (!isValidBox(box))
        return BoxModel{};
    return table()[static_cast<std::size_t>(box)];
}

int fanPortsOf(int box)
{
    return boxModel(box).fanPorts;
}

int maxFanPorts()
{
    int most = 0;
    for (const BoxModel &row : table())
        most = std::max(most, row.fanPorts);
    return most;
}

ScopedTestBoxModel::ScopedTestBoxModel(BoxModel model)
{
    BoxModel *row = rowFor(model.productId);
    if (row == nullptr)
        return;
    m_replaced = *row;
    *row = model;
}

ScopedTestBoxModel::~ScopedTestBoxModel()
{
    if (BoxModel *row = rowFor(m_replaced.productId))
        *row = m_replaced;
}
