#pragma once

#include <cstdint>

// What a model of box is, by the USB product ID it answers as: how many fan
// ports it drives. Every count of fans in the program comes from here.
struct BoxModel {
    std::uint16_t productId = 0;
    int fanPorts = 0;
};

// The model of box n (0..15), which answers as product ID 8001 + n.
BoxModel boxModel(int box);
// Fan ports of box n; 0 for a box number outside 0..15.
int fanPortsOf(int box);
// The most fan ports any known model has; sizes what must hold every fan of any box.
int maxFanPorts();

// A model the table does not know, for tests only: while it lives, it takes the
// place of the entry with its product ID. Make it before anything reads the table.
class ScopedTestBoxModel {
public:
    explicit ScopedTestBoxModel(BoxModel model);
    ~ScopedTestBoxModel();
    ScopedTestBoxModel(const ScopedTestBoxModel &) = delete;
    ScopedTestBoxModel &operator=(const ScopedTestBoxModel &) = delete;

private:
    BoxModel m_replaced;
};
