#pragma once
// Every text of the system, written once. The sources are UTF-8 and compiled to Windows-1252, so each of these
// is the 8-bit text the program shows and compares.

#include <string>

namespace quibel::Texts {

// Failures.
inline const std::string CompressedFileIsCorrupt = "Compressed file is corrupt";
inline const std::string StreamReadError = "Erreur de lecture du flux";
inline const std::string StreamWriteError = "Erreur d'écriture dans le flux";
inline const std::string StreamOutOfMemory = "Mémoire insuffisante lors de l'extension du flux mémoire";
inline const std::string CannotCreateFile = "Impossible de créer le fichier \"";
inline const std::string CannotOpenFile = "Impossible d'ouvrir le fichier \"";
inline const std::string PathMessageSeparator = "\". ";
inline const std::string IoFileNotFound = "Fichier introuvable";
inline const std::string IoInvalidFileName = "Nom de fichier incorrect";
inline const std::string IoTooManyOpenFiles = "Trop de fichiers ouverts";
inline const std::string IoAccessDenied = "Accès au fichier refusé";
inline const std::string IoReadPastEnd = "Lecture au-delà de la fin de fichier";
inline const std::string IoDiskFull = "Disque plein";
inline const std::string IoInvalidNumericInput = "Saisie numérique incorrecte";
inline const std::string IoErrorPrefix = "Erreur E/S ";

// Installation log lines.
inline const std::string LogDirectoryPrefix = "Répertoire ";
inline const std::string LogFilePrefix = "Fichier ";
inline const std::string LogFileSizeSeparator = " taille :";
inline const std::string LogFileSizeArrow = "->";

}  // namespace quibel::Texts
