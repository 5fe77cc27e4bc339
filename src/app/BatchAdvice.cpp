#include "app/BatchAdvice.h"

#include "import/HostSetUpAdvice.h"
#include "run/SummaryText.h"

namespace {

QString PasswordAdvice(PasswordFrom from)
{
    if (from == PasswordFrom::None)
        return "The source has a password: give it with --password-file FILE (its first line) or --password - "
               "(read from standard input), then import again.";
    const QString option = from == PasswordFrom::File ? "--password-file" : "--password";
    return "The password given with " + option + " is not the source's: give it exactly as Access has it (letter "
           "case and blanks count), then import again.";
}

// A file is already at the new database's name.
QString ExistingFileAdvice(const AdviceFacts& facts)
{
    return facts.targetRegistered
               ? QString("That file is a database the product lists (an earlier import made it): give this import "
                         "another --file-name and --name (or another --target-dir). To replace it, first remove its "
                         "entry in the product (Utilities/Database Setup), then the file.")
               : QString("Give another --file-name or --target-dir, or remove that file if nobody needs it, then "
                         "import again.");
}

// The Import button's refusals, by the box that told them.
QString RefusalAdvice(const QString& box, const AdviceFacts& facts)
{
    if (box == QLatin1String("Enter a Source database."))
        return "Give the MP2 database with --source FILE.";
    if (box == QLatin1String("Enter a Target directory."))
        return "Give the directory of the new database with --target-dir DIR.";
    if (box == QLatin1String("Enter a FileName."))
        return "Give the new database's file name with --file-name NAME.mdb.";
    if (box == QLatin1String("Enter a Name."))
        return "Give the name of the new database with --name NAME.";
    if (box.startsWith(QLatin1String("Answered No: It is NOT recommended")))
        return "Give another --name (and --file-name), or add --yes to keep them.";
    if (box.startsWith(QLatin1String("Answered No: The recommended directory")))
        return "Add --yes to import into --target-dir all the same, or leave --target-dir out to import into the "
               "recommended directory.";
    if (box == QLatin1String("Error: Invalid file name. Operation cancelled."))
        return facts.focus == MainField::txtDBName
                   ? QString("Give another --name: the boxes above say what is wrong with it.")
                   : QString("Give --file-name as NAME.mdb (a name, one dot, then mdb): the boxes above say what "
                             "is wrong with it.");
    if (box.contains(QLatin1String(" does not exit.")))
        return "The source is gone: check --source, then import again.";
    if (box.contains(QLatin1String("already exists in '")))
        return ExistingFileAdvice(facts);
    if (box.startsWith(QLatin1String("This FileName '")) && box.contains(QLatin1String("already being used")))
        return "Give another --file-name: the product lists a database of that file name (to use the name again, "
               "first remove that entry in the product, Utilities/Database Setup).";
    if (box.startsWith(QLatin1String("This Name '")) && box.contains(QLatin1String("already being used")))
        return "Give another --name: the product lists a database of that name.";
    if (box.contains(QLatin1String("could not be opened.")))
        return QString("Give a --target-dir you can write, whose parent folder exists") +
               (facts.targetDirGiven ? QString(".")
                                     : QString(" (without --target-dir the recommended directory below the "
                                               "product's user directory is taken)."));
    return {};
}

// The refusals and failures of the import's files and folders (the Import button's last checks and the
// driver's) whose advice names an option or a place.
QString ImportAdvice(const RunError& error, const AdviceFacts& facts)
{
    const QString& text = error.description;
    if (text.contains(QLatin1String("another import is running")))
        return text.contains(QLatin1String("the working copy"))
                   ? QString("Wait until the other import has ended, or start this one from another folder (the "
                             "working copy temp7601.in is made in the current folder).")
                   : QString("Wait until the other import has ended, or give this one another --target-dir.");
    switch (error.number) {
    case 58: return ExistingFileAdvice(facts);
    case 3031: return PasswordAdvice(facts.password);
    case 75:
        if (text.contains(QLatin1String("working copy temp7601.in is made in the current folder")))
            return "Start the import from a folder you can write (cd there first): the working copy temp7601.in "
                   "is made in the current folder.";
        if (text.contains(QLatin1String("product's database list")) && text.contains(QLatin1String("cannot be written")))
            return QString::fromLatin1(kHostSetUpAdvice);
        if (text.contains(QLatin1String("Choose another place or name")))
            return "Change the option that names the file (--file-name, --target-dir or --report), or start the "
                   "import from another folder, so that no file of the import is the one the message names.";
        if (text.contains(QLatin1String("too long for the file system")))
            return "Give a shorter --file-name, --name or --target-dir.";
        break;
    case 76:
        if (text.contains(QLatin1String("current directory")))
            return "Start the import from a folder that exists (cd there first).";
        break;
    case 53:
        if (text.contains(QLatin1String("BlnkVtrx.vdb")))
            return "The product's template is missing: set the product up again with crew-host-setup (see man "
                   "crew-host-setup); an existing database list is kept.";
        break;
    default: break;
    }
    return {};
}

}  // namespace

QString UnattendedAdvice(const RunSummary& summary, const AdviceFacts& facts)
{
    NextSteps steps;
    steps.makeDatabase = "run the same command without --check-only to make the database";
    steps.password = PasswordAdvice(facts.password);
    if (summary.result == RunResult::Refused || summary.result == RunResult::Failed ||
        summary.result == RunResult::WouldFail) {
        if (summary.error) {
            QString specific = summary.error->where == QLatin1String("btnImport_Click")
                                   ? RefusalAdvice(summary.error->description, facts)
                                   : QString();
            if (specific.isEmpty())
                specific = ImportAdvice(*summary.error, facts);
            if (!specific.isEmpty())
                return (summary.result == RunResult::WouldFail ? QString("The import would stop at the same error. ")
                                                               : QString()) +
                       specific + " " + kSourceUnchanged;
        }
    }
    return WhatToDoNext(summary, steps);
}
