#pragma once

#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>

// English words, one a line, as Debian's word lists give them. Only a help where the picture
// leaves a space open: without the file the list is empty and nothing is a word.
class WordList
{
public:
    WordList() = default;
    explicit WordList(const QString &path);
    // The words of all the files, as one list: American and British spellings side by side.
    explicit WordList(const QStringList &paths);

    // The system's American and British lists (/usr/share/dict), as one, read once per process
    // on first use: subtitles are written in either, and a spelling of the other is no two words
    // ("colour" stays whole, not "col our").
    static const WordList &english();

    bool isEmpty() const { return words.isEmpty(); }
    // Whether `token` is a word, with the punctuation around it left out; a capital at its start
    // may be the sentence's. A letter alone is a word only as "a" or "I".
    bool contains(const QString &token) const;

    // Whether `word`, written with a capital, is a listed word only in small letters ("How",
    // "The"), never as a name ("Sarah", "Will", "Tom"): such a capital opens a sentence.
    bool opensSentenceOnly(const QString &word) const;

    // The word the list writes with an apostrophe that `word` lost ("theyll", "dont", "oclock"),
    // or an empty string. Only where the form without it is no word of its own ("cant", "wed"
    // and "its" are), and never before a final "s", where it is a plural as often as not.
    QString withApostrophe(const QString &word) const;
    // The contraction of the list whose "n't" was read with a stroke for its apostrophe ("Donit",
    // "didnlt"), or an empty string. Only where `word` is no word of its own.
    QString withStrokeAsApostrophe(const QString &word) const;

private:
    QSet<QString> words;
    QHash<QString, QString> contractions; // by their letters alone, in lower case
};
