// How a column's values are typed, read from its declared type as the
// account schema writes it (SQL Server's type names): both backends type
// their record sets this way, so a value reads the same through either.
//
// Threads: a pure function; any thread may call it.
#pragma once

#include <cstdint>
#include <string_view>

namespace corvane::db {

enum class ColumnKind : uint8_t { ByStorage, Integer, Boolean, Real, Text, DateTime, Blob };

// TIMESTAMP, ROWVERSION, BINARY, BLOB, IMAGE: Blob; DATE, TIME (DATETIME
// too): DateTime; BIT: Boolean; INT: Integer; CHAR, TEXT, CLOB,
// UNIQUEIDENTIFIER: Text; REAL, FLOAT, DOUBLE, DECIMAL, NUMERIC, MONEY: Real;
// anything else, no declared type included: ByStorage (the value as stored).
ColumnKind KindOfDeclaredType(std::string_view declared);

}  // namespace corvane::db
