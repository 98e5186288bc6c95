<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="fr">
<context>
    <name>Caption</name>
    <message>
        <source>Résolution :</source>
        <translation>Resolution:</translation>
    </message>
    <message>
        <source>Aspect ratio :</source>
        <translation>Aspect ratio:</translation>
    </message>
    <message>
        <source>Fréquence d&apos;image :</source>
        <translation>Frame rate:</translation>
    </message>
    <message>
        <source> Débit maximum  :</source>
        <translation>Max bit rate:</translation>
    </message>
    <message>
        <source>Type de flux :</source>
        <translation>Stream type:</translation>
    </message>
    <message>
        <source>Profil :</source>
        <translation>Profile:</translation>
    </message>
    <message>
        <source>Format YUV :</source>
        <translation>Chroma format:</translation>
    </message>
    <message>
        <source>VBV :</source>
        <translation>VBV:</translation>
    </message>
    <message>
        <source>Format Video :</source>
        <translation>Video format:</translation>
    </message>
    <message>
        <source>DCT :</source>
        <translation>DC precision:</translation>
    </message>
    <message>
        <source>Structure d&apos;image :</source>
        <translation>Picture structure:</translation>
    </message>
</context>
<context>
    <name>Cli</name>
    <message>
        <source>Fichier : </source>
        <translation>File: </translation>
    </message>
    <message>
        <source>aucune</source>
        <translation>none</translation>
    </message>
    <message>
        <source>Quantificateur par type d&apos;image :</source>
        <translation>Quantiser by picture type:</translation>
    </message>
    <message>
        <source>Type</source>
        <translation>Type</translation>
    </message>
    <message>
        <source>Images</source>
        <translation>Pictures</translation>
    </message>
    <message>
        <source>Moyenne</source>
        <translation>Average</translation>
    </message>
    <message>
        <source>Minimum</source>
        <translation>Minimum</translation>
    </message>
    <message>
        <source>Maximum</source>
        <translation>Maximum</translation>
    </message>
    <message>
        <source>Conteneur : </source>
        <translation>Container: </translation>
    </message>
    <message>
        <source>Vidéo : </source>
        <translation>Video: </translation>
    </message>
    <message>
        <source>Images : </source>
        <translation>Pictures: </translation>
    </message>
    <message>
        <source>En-têtes de séquence : </source>
        <translation>Sequence headers: </translation>
    </message>
    <message>
        <source>Extensions de matrices : </source>
        <translation>Quant matrix extensions: </translation>
    </message>
    <message>
        <source>Changements :</source>
        <translation>Changes:</translation>
    </message>
    <message>
        <source>Octet</source>
        <translation>Offset</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>Code temporel</source>
        <translation>Time code</translation>
    </message>
    <message>
        <source>Origine</source>
        <translation>Source</translation>
    </message>
    <message>
        <source>Matrices</source>
        <translation>Matrices</translation>
    </message>
    <message>
        <source>Jeu de matrices %1 : %2 image(s), la première : %3</source>
        <translation>Matrix set %1: %2 picture(s), the first: %3</translation>
    </message>
    <message>
        <source>%1 :</source>
        <translation>%1:</translation>
    </message>
    <message>
        <source><byte value="xd"/>Analyse : %3u %% (%.0f Mo/s)</source>
        <translation><byte value="xd"/>Reading: %3u %% (%.0f MB/s)</translation>
    </message>
</context>
<context>
    <name>Matrix</name>
    <message>
        <source>Matrice connue : %1</source>
        <translation>Known matrix: %1</translation>
    </message>
    <message>
        <source>Matrice la plus proche : %1 (distance %2)</source>
        <translation>Nearest matrix: %1 (distance %2)</translation>
    </message>
</context>
<context>
    <name>Message</name>
    <message>
        <source>impossible de lire le fichier...</source>
        <translation>Cannot read the file</translation>
    </message>
    <message>
        <source>Une erreur s&apos;est produite à la lecture du fichier, cer...</source>
        <translation>An error occurred while reading the file.</translation>
    </message>
    <message>
        <source>Problême(s) en lisant l&apos;entête du fichier...</source>
        <translation>Problem reading the file&apos;s headers</translation>
    </message>
    <message>
        <source>Une erreur s&apos;est produite à la lecture du fichier, Quantaline n&apos;a pas pu décrypter correctement les informations.<byte value="xd"/>
Les données affichées sont peut-être fausses. Il est déconseillé d&apos;exporter les matrices dans ce cas </source>
        <translation>An error occurred while reading the file and Quantaline could not decode its headers correctly.<byte value="xd"/>
The values shown may be wrong; exporting these matrices is not recommended.</translation>
    </message>
    <message>
        <source>Aucune séquence MPEG...</source>
        <translation>No MPEG sequence</translation>
    </message>
    <message>
        <source>Aucun en-tête de séquence MPEG n&apos;a été trouvé dans les 300000 premiers octets du fichier. Les matrices affichées sont celles de la norme MPEG.</source>
        <translation>No MPEG sequence header was found in the first 300000 bytes of the file. The matrices shown are the MPEG default matrices.</translation>
    </message>
    <message>
        <source>Exporter les matrices dans CCE...</source>
        <translation>Export the matrices to CCE</translation>
    </message>
    <message>
        <source>%1 Les matrices n&apos;ont pas été exportées.</source>
        <translation>%1 The matrices were not exported.</translation>
    </message>
    <message>
        <source>Exportation impossible...</source>
        <translation>Cannot export</translation>
    </message>
    <message>
        <source>Exporter les matrices pour mpeg2enc...</source>
        <translation>Export the matrices for mpeg2enc</translation>
    </message>
    <message>
        <source>Une des matrices contient la valeur 0, que mpeg2enc refuse (il n&apos;accepte que les valeurs de 1 à 255). Le fichier n&apos;a pas été écrit.</source>
        <translation>One of the matrices holds the value 0, which mpeg2enc rejects (it accepts only values from 1 to 255). The file was not written.</translation>
    </message>
    <message>
        <source>Exporter les matrices...</source>
        <translation>Export the matrices</translation>
    </message>
    <message>
        <source>ligne %1 : %2</source>
        <translation>line %1: %2</translation>
    </message>
    <message>
        <source>fichier trop grand</source>
        <translation>file too large</translation>
    </message>
    <message>
        <source>lecture impossible</source>
        <translation>cannot be read</translation>
    </message>
    <message>
        <source>plus de 16 lignes de valeurs</source>
        <translation>more than 16 lines of values</translation>
    </message>
    <message>
        <source>8 valeurs de 1 à 255 séparées par des virgules attendues</source>
        <translation>expected 8 comma-separated values from 1 to 255</translation>
    </message>
    <message>
        <source>plus de 8 valeurs</source>
        <translation>more than 8 values</translation>
    </message>
    <message>
        <source>%1 valeur au lieu de 8</source>
        <translation>%1 value instead of 8</translation>
    </message>
    <message>
        <source>%1 valeurs au lieu de 8</source>
        <translation>%1 values instead of 8</translation>
    </message>
    <message>
        <source>%1 lignes de valeurs au lieu de 16</source>
        <translation>%1 lines of values instead of 16</translation>
    </message>
    <message>
        <source>Matrices connues</source>
        <translation>Known matrices</translation>
    </message>
    <message>
        <source>Le fichier de matrices [%1] n&apos;est pas valable (%2) : il est ignoré.</source>
        <translation>The matrix file [%1] is not valid (%2) and is ignored.</translation>
    </message>
    <message>
        <source>Enregistrer les images...</source>
        <translation>Save the pictures</translation>
    </message>
    <message>
        <source>%1 Le tableau des images n&apos;a pas été enregistré.</source>
        <translation>%1 The picture table was not saved.</translation>
    </message>
    <message>
        <source>Exporter les matrices dans TMPGEnc...</source>
        <translation>Export the matrices to TMPGEnc</translation>
    </message>
    <message>
        <source>%1 Le fichier n&apos;a pas été modifié.</source>
        <translation>%1 The file was not changed.</translation>
    </message>
    <message>
        <source>Le fichier [%1] est introuvable ou illisible. Vérifiez le chemin de TMPGEnc.</source>
        <translation>The file [%1] cannot be found or read. Check the TMPGEnc folder.</translation>
    </message>
    <message>
        <source>Le fichier [%1] ne contient pas de section %2.</source>
        <translation>The file [%1] has no %2 section.</translation>
    </message>
    <message>
        <source>Dans le fichier [%1], la ligne qui suit %2 n&apos;est pas de la forme Count=nombre.</source>
        <translation>In the file [%1], the line after %2 is not of the form Count=number.</translation>
    </message>
    <message>
        <source>Permission non accordée</source>
        <translation>Permission denied</translation>
    </message>
    <message>
        <source>Opération non permise</source>
        <translation>Operation not permitted</translation>
    </message>
    <message>
        <source>Aucun fichier ou dossier de ce nom</source>
        <translation>No such file or directory</translation>
    </message>
    <message>
        <source>Plus de place sur le disque</source>
        <translation>No space left on device</translation>
    </message>
    <message>
        <source>Système de fichiers en lecture seule</source>
        <translation>Read-only file system</translation>
    </message>
    <message>
        <source>C&apos;est un dossier</source>
        <translation>Is a directory</translation>
    </message>
    <message>
        <source>Un élément du chemin n&apos;est pas un dossier</source>
        <translation>Not a directory</translation>
    </message>
    <message>
        <source>Nom de fichier trop long</source>
        <translation>File name too long</translation>
    </message>
    <message>
        <source>Erreur d&apos;entrée/sortie</source>
        <translation>Input/output error</translation>
    </message>
    <message>
        <source>Fichier ou périphérique occupé</source>
        <translation>Device or resource busy</translation>
    </message>
    <message>
        <source>Le fichier existe déjà</source>
        <translation>File exists</translation>
    </message>
    <message>
        <source>Trop de fichiers ouverts</source>
        <translation>Too many open files</translation>
    </message>
    <message>
        <source>Le dossier n&apos;est pas vide</source>
        <translation>Directory not empty</translation>
    </message>
    <message>
        <source>Déplacement impossible entre deux disques</source>
        <translation>Cannot move between two drives</translation>
    </message>
    <message>
        <source>Fichier trop volumineux</source>
        <translation>File too large</translation>
    </message>
    <message>
        <source>Le fichier [%1] n&apos;a pas pu être écrit : %2.</source>
        <translation>The file [%1] could not be written: %2.</translation>
    </message>
    <message>
        <source>Le nom de l&apos;enregistrement et la clé ne doivent pas contenir de retour à la ligne. Rien n&apos;a été écrit.</source>
        <translation>The entry name and the key must not contain a line break. Nothing was written.</translation>
    </message>
    <message>
        <source>au milieu d&apos;un code de début</source>
        <translation>inside a start code</translation>
    </message>
    <message>
        <source>au milieu d&apos;un en-tête de pack</source>
        <translation>inside a pack header</translation>
    </message>
    <message>
        <source>au milieu d&apos;un en-tête de paquet</source>
        <translation>inside a packet header</translation>
    </message>
    <message>
        <source>au milieu d&apos;un paquet</source>
        <translation>inside a packet</translation>
    </message>
    <message>
        <source>au milieu d&apos;un paquet de la vidéo</source>
        <translation>inside a video packet</translation>
    </message>
    <message>
        <source>au milieu d&apos;un paquet de transport</source>
        <translation>inside a transport packet</translation>
    </message>
    <message>
        <source>Tranche(s) endommagée(s)</source>
        <translation>Damaged slices</translation>
    </message>
    <message>
        <source>%1 image(s) endommagée(s) ; la première : image %2 à l&apos;octet %3.</source>
        <translation>%1 damaged picture(s); the first: picture %2 at byte %3.</translation>
    </message>
    <message>
        <source>%1 image(s) endommagée(s) ; la première : image %2 à l&apos;octet %3, tranche %4 après %5 macrobloc(s) lu(s).</source>
        <translation>%1 damaged picture(s); the first: picture %2 at byte %3, slice %4 after %5 macroblock(s) read.</translation>
    </message>
    <message>
        <source>Aucune vidéo MPEG</source>
        <translation>No MPEG video</translation>
    </message>
    <message>
        <source>Aucun en-tête de séquence vidéo MPEG n&apos;a été trouvé dans le fichier.</source>
        <translation>No MPEG video sequence header was found in the file.</translation>
    </message>
    <message>
        <source>Le fichier ne peut pas être ouvert.</source>
        <translation>The file cannot be opened.</translation>
    </message>
    <message>
        <source>Fichier incomplet</source>
        <translation>Truncated file</translation>
    </message>
    <message>
        <source>Le fichier s&apos;arrête à l&apos;octet %1, %2 ; l&apos;analyse porte sur ce qui précède.</source>
        <translation>The file ends at byte %1, %2; the analysis covers what comes before.</translation>
    </message>
    <message>
        <source>Erreur de lecture à l&apos;octet %1 ; l&apos;analyse porte sur ce qui précède.</source>
        <translation>Read error at byte %1; the analysis covers what comes before.</translation>
    </message>
    <message>
        <source>Analyse interrompue</source>
        <translation>Analysis stopped</translation>
    </message>
    <message>
        <source>Analyse interrompue à l&apos;octet %1 ; les résultats portent sur ce qui précède.</source>
        <translation>Analysis stopped at byte %1; the results cover what comes before.</translation>
    </message>
    <message>
        <source>Structure(s) endommagée(s)</source>
        <translation>Damaged structures</translation>
    </message>
    <message>
        <source>%1 structure(s) endommagée(s) ignorée(s) ; la première : %2 à l&apos;octet %3.</source>
        <translation>%1 damaged structure(s) skipped; the first: %2 at byte %3.</translation>
    </message>
    <message>
        <source>Données endommagées</source>
        <translation>Damaged data</translation>
    </message>
    <message>
        <source>Synchronisation perdue %1 fois, la première à l&apos;octet %2 ; %3 octet(s) ignoré(s).</source>
        <translation>Sync lost %1 time(s), first at byte %2; %3 byte(s) skipped.</translation>
    </message>
    <message>
        <source>Paquets perdus</source>
        <translation>Lost packets</translation>
    </message>
    <message>
        <source>%1 discontinuité(s) dans les paquets de la vidéo (PID %2).</source>
        <translation>%1 continuity error(s) in the video packets (PID %2).</translation>
    </message>
    <message>
        <source>Matrice sauvegardées...</source>
        <translation>Matrices saved</translation>
    </message>
    <message>
        <source>Le fichier [%1] a été crée dans le dossier de Quantaline</source>
        <translation>The file [%1] was created in the Quantaline folder.</translation>
    </message>
    <message>
        <source>Rapport non enregistré...</source>
        <translation>Report not saved</translation>
    </message>
    <message>
        <source>%1 Le rapport n&apos;a pas été enregistré.</source>
        <translation>%1 The report was not saved.</translation>
    </message>
</context>
<context>
    <name>Report</name>
    <message>
        <source>Matrice INTRA-BLOCK speciale</source>
        <translation>Custom intra matrix</translation>
    </message>
    <message>
        <source>Matrice INTRA-BLOCK Standard MPEG</source>
        <translation>Default MPEG intra matrix</translation>
    </message>
    <message>
        <source>Matrice non INTRA-BLOCK speciale</source>
        <translation>Custom non-intra matrix</translation>
    </message>
    <message>
        <source>Matrice non INTRA-BLOCK Standard MPEG</source>
        <translation>Default MPEG non-intra matrix</translation>
    </message>
    <message>
        <source>Nom du fichier traité = </source>
        <translation>File = </translation>
    </message>
    <message>
        <source>Type de flux = </source>
        <translation>Stream type = </translation>
    </message>
    <message>
        <source>Résolution = </source>
        <translation>Resolution = </translation>
    </message>
    <message>
        <source>Aspect ratio = </source>
        <translation>Aspect ratio = </translation>
    </message>
    <message>
        <source>Fréquense d&apos;image = </source>
        <translation>Frame rate = </translation>
    </message>
    <message>
        <source>images par secondes</source>
        <translation> frames per second</translation>
    </message>
    <message>
        <source>Débir maximum = </source>
        <translation>Max bit rate = </translation>
    </message>
    <message>
        <source> Kbit/s</source>
        <translation> kbit/s</translation>
    </message>
    <message>
        <source>Profil et Level = </source>
        <translation>Profile and level = </translation>
    </message>
    <message>
        <source>Format YUV = </source>
        <translation>Chroma format = </translation>
    </message>
    <message>
        <source>VBV buffer size = </source>
        <translation>VBV buffer size = </translation>
    </message>
    <message>
        <source> Kbit</source>
        <translation> KiB</translation>
    </message>
    <message>
        <source>Format video = </source>
        <translation>Video format = </translation>
    </message>
    <message>
        <source>DCT = </source>
        <translation>DC precision = </translation>
    </message>
    <message>
        <source>Structure d&apos;image = </source>
        <translation>Picture structure = </translation>
    </message>
    <message>
        <source>Fin du document.</source>
        <translation>End of report.</translation>
    </message>
</context>
<context>
    <name>Scan</name>
    <message>
        <source>flux %02X</source>
        <translation>stream %02X</translation>
    </message>
    <message>
        <source>Flux élémentaire</source>
        <translation>Elementary stream</translation>
    </message>
    <message>
        <source>Flux programme</source>
        <translation>Program stream</translation>
    </message>
    <message>
        <source>Flux de transport</source>
        <translation>Transport stream</translation>
    </message>
    <message>
        <source>en-tête de séquence</source>
        <translation>sequence header</translation>
    </message>
    <message>
        <source>extension de matrices</source>
        <translation>quant matrix extension</translation>
    </message>
    <message>
        <source>matrices initiales</source>
        <translation>initial matrices</translation>
    </message>
</context>
<context>
    <name>Value</name>
    <message>
        <source>23,976</source>
        <translation>23.976</translation>
    </message>
    <message>
        <source>29,97</source>
        <translation>29.97</translation>
    </message>
    <message>
        <source>59,94</source>
        <translation>59.94</translation>
    </message>
    <message>
        <source>ProfilInconnu</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>HighProfil</source>
        <translation>High</translation>
    </message>
    <message>
        <source>MainProfil</source>
        <translation>Main</translation>
    </message>
    <message>
        <source>SimpleProfil</source>
        <translation>Simple</translation>
    </message>
    <message>
        <source>Inconnu</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>Defaut</source>
        <translation>Default</translation>
    </message>
    <message>
        <source>Non-identifié</source>
        <translation>Unspecified</translation>
    </message>
    <message>
        <source>Inconnue</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>HighLevel</source>
        <translation>High</translation>
    </message>
    <message>
        <source>HighLevel1440</source>
        <translation>High 1440</translation>
    </message>
    <message>
        <source>MainLevel</source>
        <translation>Main</translation>
    </message>
    <message>
        <source>LowLevel</source>
        <translation>Low</translation>
    </message>
    <message>
        <source>LevelInconnu</source>
        <translation>Unknown</translation>
    </message>
    <message>
        <source>Flux élémentaire</source>
        <translation>Elementary stream</translation>
    </message>
    <message>
        <source>Flux programme</source>
        <translation>Program stream</translation>
    </message>
    <message>
        <source>Flux transport</source>
        <translation>Transport stream</translation>
    </message>
    <message>
        <source>Sans objet</source>
        <translation>Not applicable</translation>
    </message>
    <message>
        <source>Défaut</source>
        <translation>Default</translation>
    </message>
</context>
</TS>
