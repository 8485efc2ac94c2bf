#pragma once

class QSqlDatabase;

// A small but realistic set of carriers, destinations, rates and customers, so that a first run
// shows a real comparison: carriers of every rate type, gaps, zero rates and a carrier that
// serves a destination without any rate.
class SampleData
{
public:
    // Inserts into a new, empty rouvel database inside the caller's transaction; throws
    // DataError.
    static void insert(QSqlDatabase &db);
};
