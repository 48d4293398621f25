// The built-in texts of the main window's text store, in the order translations rely on.
#include "app/U_MainDlgTexts.h"

const QStringList& MainDlgBuiltInTexts()
{
    // Translation files replace these by position: never reorder, insert or remove an entry. An entry
    // the program no longer uses becomes "unused" and keeps its place.
    static const QStringList texts {
        QStringLiteral("No printer found ! Brevlin needs at least a printer to be present. Please install a printer and reload."),  // 0
        QStringLiteral("France"),  // 1
        QStringLiteral("Brazil - ID"),  // 2
        QStringLiteral("Canada"),  // 3
        QStringLiteral("Spain"),  // 4
        QStringLiteral("Incorrect aspect ratio. Picture may be deformed"),  // 5
        QStringLiteral("Albania"),  // 6
        QStringLiteral("Argentina"),  // 7
        QStringLiteral("Australia"),  // 8
        QStringLiteral("Austria"),  // 9
        QStringLiteral("Bahamas"),  // 10
        QStringLiteral("Belarus"),  // 11
        QStringLiteral("Belgium"),  // 12
        QStringLiteral("Belize"),  // 13
        QStringLiteral("Bolivia"),  // 14
        QStringLiteral("Italy - Driving Licence"),  // 15
        QStringLiteral("Bulgaria"),  // 16
        QStringLiteral("China"),  // 17
        QStringLiteral("Colombia"),  // 18
        QStringLiteral("Croatia"),  // 19
        QStringLiteral("Czech Republic"),  // 20
        QStringLiteral("Denmark"),  // 21
        QStringLiteral("Estonia"),  // 22
        QStringLiteral("Finland"),  // 23
        QStringLiteral("Germany"),  // 24
        QStringLiteral("Greece"),  // 25
        QStringLiteral("Hong Kong"),  // 26
        QStringLiteral("Hungary"),  // 27
        QStringLiteral("India"),  // 28
        QStringLiteral("Indonesia"),  // 29
        QStringLiteral("Ireland"),  // 30
        QStringLiteral("Israel"),  // 31
        QStringLiteral("Italy"),  // 32
        QStringLiteral("Jamaica"),  // 33
        QStringLiteral("unused"),  // 34
        QStringLiteral("Kenya"),  // 35
        QStringLiteral("Lebanon"),  // 36
        QStringLiteral("Malaysia"),  // 37
        QStringLiteral("Mexico"),  // 38
        QStringLiteral("Morocco"),  // 39
        QStringLiteral("Netherlands"),  // 40
        QStringLiteral("New Zealand"),  // 41
        QStringLiteral("Nigeria"),  // 42
        QStringLiteral("Norway"),  // 43
        QStringLiteral("Pakistan"),  // 44
        QStringLiteral("Panama"),  // 45
        QStringLiteral("Peru"),  // 46
        QStringLiteral("Philippines"),  // 47
        QStringLiteral("Poland"),  // 48
        QStringLiteral("Portugal"),  // 49
        QStringLiteral("Romania"),  // 50
        QStringLiteral("Russia"),  // 51
        QStringLiteral("Singapore"),  // 52
        QStringLiteral("South Africa"),  // 53
        QStringLiteral("Sweden"),  // 54
        QStringLiteral("Switzerland"),  // 55
        QStringLiteral("Taiwan"),  // 56
        QStringLiteral("Tanzania"),  // 57
        QStringLiteral("Thailand"),  // 58
        QStringLiteral("Trinidad and Tobago"),  // 59
        QStringLiteral("Turkey"),  // 60
        QStringLiteral("United Kingdom"),  // 61
        QStringLiteral("United States"),  // 62
        QStringLiteral("Venezuela"),  // 63
        QStringLiteral("Zimbabwe"),  // 64
        QStringLiteral("Unable to determine picture format. Please contact tech. support."),  // 65
        QStringLiteral("Brazil - Passport"),  // 66
        QStringLiteral("Hungary - Traffic board"),  // 67
        QStringLiteral("Italy - Passport"),  // 68
        QStringLiteral("Load a picture first"),  // 69
        QStringLiteral("A new version of Brevlin is available. Do you want to download update now ?"),  // 70
        QStringLiteral("Brevlin is already up to date."),  // 71
        QStringLiteral("Done !"),  // 72
        QStringLiteral("Chile"),  // 73
        QStringLiteral("China 2G ID"),  // 74
        QStringLiteral("Equator"),  // 75
        QStringLiteral("Japan - Visa"),  // 76
        QStringLiteral("Japan - ID"),  // 77
    };
    return texts;
}
