#pragma once
// The source's password for the unattended mode, read where it does not show in the process list:
// the first line of a file (--password-file FILE), or a line of standard input (--password -), not
// echoed when standard input is a terminal. The line's end (LF, or CR LF) is not part of the password,
// nor is a UTF-8 byte-order mark before it. Everything else counts, blanks too.
//
// Failures raise dao::DaoError naming where the password was to be read: 53 the file does not exist,
// 70 it may not be read, 75 it is no regular file of limited size (db/InputFile.h) or cannot be read, 62
// there is no line to read, 5 the line is not UTF-8 text or too long for a password line (1024 bytes).
#include <QString>

QString ReadPasswordFile(const QString& path);
QString ReadPasswordFromStandardInput();
