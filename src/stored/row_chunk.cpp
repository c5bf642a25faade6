#include "stored/row_chunk.h"

#include "common/csv_text.h"

#include <charconv>

void RowChunk::clear()
{
    // The capacity stays: the next chunk fills the same memory.
    m_cells.clear();
    m_texts.clear();
    m_rows = 0;
}

void RowChunk::addNull()
{
    m_cells.push_back(Cell{});
}

void RowChunk::addInteger(int64_t value)
{
    m_cells.push_back(Cell{Type::Integer, 0, value, double(value)});
}

void RowChunk::addReal(double value)
{
    m_cells.push_back(Cell{Type::Real, 0, 0, value});
}

void RowChunk::addText(const char *text, size_t size, double number)
{
    m_cells.push_back(Cell{Type::Text, uint32_t(size), int64_t(m_texts.size()), number});
    m_texts.append(text, size);
}

const char *RowChunk::text(size_t row, int column, size_t *size) const
{
    const Cell &c = cell(row, column);
    if (c.type != Type::Text) {
        *size = 0;
        return "";
    }
    *size = c.size;
    return m_texts.data() + c.integer;
}

void RowChunk::appendCsv(std::string &line, size_t row, int column) const
{
    const Cell &c = cell(row, column);
    switch (c.type) {
    case Type::Null:
        return;
    case Type::Integer: {
        char buffer[24];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, c.integer);
        line.append(buffer, result.ptr);
        return;
    }
    case Type::Real:
        appendCsvNumber(line, c.number);
        return;
    case Type::Text:
        appendCsvField(line, m_texts.data() + c.integer, c.size);
        return;
    }
}
