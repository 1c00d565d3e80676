#pragma once

// The queries a line asks of its results database, as the README shows them
// (a test holds the README to these texts and runs them on SQLite and on
// PostgreSQL). :since is an ISO-8601 UTC time as the tables hold it
// ("2025-03-14T00:00:00.000Z"), :id a unit id.

// Per plan and step: how often the step ran, passed, failed and timed out
// for units that started at :since or later, and its yield in percent.
// Steps a unit stopped before (attempts 0) are left out; teardown is 1 for
// the steps that always run at the end.
inline constexpr char kStepYieldSql[] =
    "SELECT r.plan_name, s.teardown, s.name,\n"
    "       COUNT(*) AS ran,\n"
    "       SUM(CASE WHEN s.verdict = 'PASS' THEN 1 ELSE 0 END) AS passed,\n"
    "       SUM(CASE WHEN s.verdict = 'FAIL' THEN 1 ELSE 0 END) AS failed,\n"
    "       SUM(CASE WHEN s.verdict = 'TIMEOUT' THEN 1 ELSE 0 END) AS timed_out,\n"
    "       ROUND(100.0 * SUM(CASE WHEN s.verdict = 'PASS' THEN 1 ELSE 0 END)\n"
    "             / COUNT(*), 1) AS yield_percent\n"
    "FROM steps s\n"
    "JOIN units u ON u.uuid = s.unit_uuid\n"
    "JOIN runs r ON r.uuid = u.run_uuid\n"
    "WHERE u.start_time >= :since AND s.attempts > 0\n"
    "GROUP BY r.plan_name, s.teardown, s.name\n"
    "ORDER BY r.plan_name, s.teardown, MIN(s.position), s.name";

// Per station: the units tested there for the first time since :since (a
// unit id's earliest record on any station; a unit without an id is always
// a first test), how many of them passed, and that share in percent.
inline constexpr char kFirstPassYieldSql[] =
    "SELECT r.station,\n"
    "       COUNT(*) AS units,\n"
    "       SUM(CASE WHEN u.verdict = 'PASS' THEN 1 ELSE 0 END) AS passed,\n"
    "       ROUND(100.0 * SUM(CASE WHEN u.verdict = 'PASS' THEN 1 ELSE 0 END)\n"
    "             / COUNT(*), 1) AS first_pass_yield_percent\n"
    "FROM units u\n"
    "JOIN runs r ON r.uuid = u.run_uuid\n"
    "WHERE u.start_time >= :since\n"
    "  AND (u.unit_id = '' OR NOT EXISTS (\n"
    "        SELECT 1 FROM units e\n"
    "        WHERE e.unit_id = u.unit_id\n"
    "          AND (e.start_time < u.start_time\n"
    "               OR (e.start_time = u.start_time AND e.uuid < u.uuid))))\n"
    "GROUP BY r.station\n"
    "ORDER BY r.station";

// Every record of one unit id, oldest first: each test with its station,
// plan and verdict, each step, and each value the step read.
inline constexpr char kUnitHistorySql[] =
    "SELECT u.start_time, r.station, r.plan_name, r.plan_version, u.slot,\n"
    "       u.retest, u.verdict AS unit_verdict, u.failed_step,\n"
    "       s.teardown, s.position, s.name AS step, s.attempts,\n"
    "       s.verdict AS step_verdict, s.reason, s.sent_hex, s.received_hex,\n"
    "       m.name AS value_name, m.number, m.text, m.unit, m.low, m.high\n"
    "FROM units u\n"
    "JOIN runs r ON r.uuid = u.run_uuid\n"
    "LEFT JOIN steps s ON s.unit_uuid = u.uuid\n"
    "LEFT JOIN measurements m ON m.step_uuid = s.uuid\n"
    "WHERE u.unit_id = :id\n"
    "ORDER BY u.start_time, u.uuid, s.teardown, s.position, m.position";
