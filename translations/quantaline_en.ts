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
        <translation>Chroma:</translation>
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
        <translation>DC:</translation>
    </message>
    <message>
        <source>Structure d&apos;image :</source>
        <translation>Picture structure:</translation>
    </message>
</context>
<context>
    <name>Check</name>
    <message>
        <source>Intervalle de sortie contraire à la cadence fixe</source>
        <translation>Output interval contrary to the fixed frame rate</translation>
    </message>
    <message>
        <source>Sous-alimentation du tampon CPB</source>
        <translation>CPB underflow</translation>
    </message>
    <message>
        <source>Débordement du tampon CPB</source>
        <translation>CPB overflow</translation>
    </message>
    <message>
        <source>Délai initial du tampon CPB hors de ses bornes</source>
        <translation>CPB initial delay out of bounds</translation>
    </message>
    <message>
        <source>Délai initial et décalage changés dans une séquence</source>
        <translation>Initial delay and offset changed within a sequence</translation>
    </message>
    <message>
        <source>Format d&apos;image non admis</source>
        <translation>Picture format not allowed</translation>
    </message>
    <message>
        <source>Profil non admis</source>
        <translation>Profile not allowed</translation>
    </message>
    <message>
        <source>Niveau non admis</source>
        <translation>Level not allowed</translation>
    </message>
    <message>
        <source>Débit du HRD trop élevé</source>
        <translation>HRD bit rate too high</translation>
    </message>
    <message>
        <source>Tampon CPB trop grand</source>
        <translation>CPB too large</translation>
    </message>
    <message>
        <source>Paramètres HRD absents ou non admis</source>
        <translation>HRD parameters missing or not allowed</translation>
    </message>
    <message>
        <source>Fréquence d&apos;image non fixée</source>
        <translation>Frame rate not fixed</translation>
    </message>
    <message>
        <source>aspect_ratio_idc non admis</source>
        <translation>aspect_ratio_idc not allowed</translation>
    </message>
    <message>
        <source>Codage entrelacé sans pic_struct</source>
        <translation>Interlaced coding without pic_struct</translation>
    </message>
    <message>
        <source>Moins de 4 tranches par image</source>
        <translation>Fewer than 4 slices per picture</translation>
    </message>
    <message>
        <source>Tranches de types différents dans une image</source>
        <translation>Slices of different types in one picture</translation>
    </message>
    <message>
        <source>Plus d&apos;une seconde entre deux images I</source>
        <translation>More than one second between two I pictures</translation>
    </message>
    <message>
        <source>Plus de 3 images B consécutives</source>
        <translation>More than 3 consecutive B pictures</translation>
    </message>
    <message>
        <source>Unité d&apos;accès sans délimiteur</source>
        <translation>Access unit without a delimiter</translation>
    </message>
    <message>
        <source>Trop d&apos;images de référence</source>
        <translation>Too many reference pictures</translation>
    </message>
    <message>
        <source>Position de la chrominance non admise</source>
        <translation>Chroma location not allowed</translation>
    </message>
    <message>
        <source>Tampon CPB : non modélisé (ni paramètres HRD ni --rate et --buffer)</source>
        <translation>CPB: not modelled (no HRD parameters, no --rate and --buffer)</translation>
    </message>
    <message>
        <source>--rate et --buffer, délai initial tampon ÷ débit</source>
        <translation>--rate and --buffer, initial delay buffer / rate</translation>
    </message>
    <message>
        <source>HRD VCL</source>
        <translation>VCL HRD</translation>
    </message>
    <message>
        <source>HRD NAL</source>
        <translation>NAL HRD</translation>
    </message>
    <message>
        <source>Tampon CPB : %1, %2 bit/s, %3 bits, %4</source>
        <translation>CPB: %1, %2 bit/s, %3 bits, %4</translation>
    </message>
    <message>
        <source>Sous-alimentation du tampon VBV</source>
        <translation>VBV buffer underflow</translation>
    </message>
    <message>
        <source>Débordement du tampon VBV</source>
        <translation>VBV buffer overflow</translation>
    </message>
    <message>
        <source>Débit de vbv_delay supérieur au débit maximum</source>
        <translation>vbv_delay implies a rate above the maximum bit rate</translation>
    </message>
    <message>
        <source>vbv_delay incohérents</source>
        <translation>Inconsistent vbv_delay values</translation>
    </message>
    <message>
        <source>Résolution non admise</source>
        <translation>Resolution not allowed</translation>
    </message>
    <message>
        <source>Fréquence d&apos;image non admise</source>
        <translation>Frame rate not allowed</translation>
    </message>
    <message>
        <source>Aspect ratio non admis</source>
        <translation>Aspect ratio not allowed</translation>
    </message>
    <message>
        <source>Débit maximum trop élevé</source>
        <translation>Maximum bit rate too high</translation>
    </message>
    <message>
        <source>Tampon VBV trop grand</source>
        <translation>VBV buffer too large</translation>
    </message>
    <message>
        <source>vbv_delay trop grand</source>
        <translation>vbv_delay too large</translation>
    </message>
    <message>
        <source>Groupe d&apos;images trop long</source>
        <translation>GOP too long</translation>
    </message>
    <message>
        <source>Groupe d&apos;images sans en-tête de séquence</source>
        <translation>GOP without a sequence header</translation>
    </message>
    <message>
        <source>Premier groupe d&apos;images ouvert</source>
        <translation>First GOP is open</translation>
    </message>
    <message>
        <source>low_delay non admis</source>
        <translation>low_delay not allowed</translation>
    </message>
    <message>
        <source>Profil ou niveau non admis</source>
        <translation>Profile or level not allowed</translation>
    </message>
    <message>
        <source>Format YUV non admis</source>
        <translation>Chroma format not allowed</translation>
    </message>
    <message>
        <source>Rupture de l&apos;ordre des trames</source>
        <translation>Field order break</translation>
    </message>
    <message>
        <source>Aucun écart</source>
        <translation>No deviation</translation>
    </message>
    <message>
        <source>1 écart</source>
        <translation>1 deviation</translation>
    </message>
    <message>
        <source>%1 écarts</source>
        <translation>%1 deviations</translation>
    </message>
    <message>
        <source>Conforme au profil %1</source>
        <translation>Conforms to the %1 profile</translation>
    </message>
    <message>
        <source>1 écart au profil %1</source>
        <translation>1 deviation from the %1 profile</translation>
    </message>
    <message>
        <source>%1 écarts au profil %2</source>
        <translation>%1 deviations from the %2 profile</translation>
    </message>
    <message>
        <source>Tampon VBV : non modélisé</source>
        <translation>VBV buffer: not modelled</translation>
    </message>
    <message>
        <source>Tampon VBV : mode %1, %2 bit/s, %3 bits, marge minimale %4 bits (image %5)</source>
        <translation>VBV buffer: mode %1, %2 bit/s, %3 bits, least margin %4 bits (picture %5)</translation>
    </message>
    <message>
        <source>Tampon VBV : mode %1, %2 bit/s, %3 bits</source>
        <translation>VBV buffer: mode %1, %2 bit/s, %3 bits</translation>
    </message>
    <message>
        <source>Cadence : %1</source>
        <translation>Cadence: %1</translation>
    </message>
    <message>
        <source>code %1 (réservé)</source>
        <translation>code %1 (reserved)</translation>
    </message>
    <message>
        <source>1:1 (pixels carrés)</source>
        <translation>1:1 (square pixels)</translation>
    </message>
    <message>
        <source>2,21:1</source>
        <translation>2.21:1</translation>
    </message>
    <message>
        <source>%1 images/s</source>
        <translation>%1 frames/s</translation>
    </message>
    <message>
        <source> ou </source>
        <translation> or </translation>
    </message>
</context>
<context>
    <name>Cli</name>
    <message>
        <source>Note :</source>
        <translation>Note:</translation>
    </message>
    <message>
        <source>image %1</source>
        <translation>picture %1</translation>
    </message>
    <message>
        <source>%1 images</source>
        <translation>%1 pictures</translation>
    </message>
    <message>
        <source>GOP %1</source>
        <translation>GOP %1</translation>
    </message>
    <message>
        <source>octet %1</source>
        <translation>byte %1</translation>
    </message>
    <message>
        <source>trouvé %1</source>
        <translation>found %1</translation>
    </message>
    <message>
        <source>limite %1</source>
        <translation>limit %1</translation>
    </message>
    <message>
        <source>%1 (auto)</source>
        <translation>%1 (auto)</translation>
    </message>
    <message>
        <source>Profil : %1</source>
        <translation>Profile: %1</translation>
    </message>
    <message>
        <source>Aucune image</source>
        <translation>No picture</translation>
    </message>
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
    <message>
        <source>Listes</source>
        <translation>Lists</translation>
    </message>
    <message>
        <source>Images sans listes connues : </source>
        <translation>Pictures with no known lists: </translation>
    </message>
    <message>
        <source>Jeux de paramètres : </source>
        <translation>Parameter sets: </translation>
    </message>
    <message>
        <source>Jeu de listes %1 : %2 image(s), la première : %3</source>
        <translation>List set %1: %2 picture(s), the first: %3</translation>
    </message>
</context>
<context>
    <name>Codec</name>
    <message>
        <source>la liste par défaut</source>
        <translation>the default list</translation>
    </message>
    <message>
        <source>plate</source>
        <translation>flat</translation>
    </message>
    <message>
        <source>par défaut</source>
        <translation>default</translation>
    </message>
    <message>
        <source>, liste par défaut</source>
        <translation>, default list</translation>
    </message>
    <message>
        <source>, repli A : </source>
        <translation>, fall-back A: </translation>
    </message>
    <message>
        <source>, repli B : </source>
        <translation>, fall-back B: </translation>
    </message>
    <message>
        <source> du SPS</source>
        <translation> of the SPS</translation>
    </message>
    <message>
        <source>, prédite de </source>
        <translation>, predicted from </translation>
    </message>
    <message>
        <source>reprise de </source>
        <translation>taken from </translation>
    </message>
    <message>
        <source>sans matrice (quantification H.263)</source>
        <translation>no matrices (H.263 quantisation)</translation>
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
        <source>Aucun en-tête de séquence MPEG n&apos;a été trouvé dans les 16 premiers Mio du fichier. Les matrices affichées sont celles de la norme MPEG.</source>
        <translation>No MPEG sequence header was found in the first 16 MiB of the file. The matrices shown are the MPEG default matrices.</translation>
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
        <source>Une des listes contient la valeur 0, que l&apos;encodeur refuse (il n&apos;accepte que les valeurs de 1 à 255). Le fichier n&apos;a pas été écrit.</source>
        <translation>One of the lists holds the value 0, which the encoder rejects (it accepts only values from 1 to 255). The file was not written.</translation>
    </message>
    <message>
        <source>Exporter les matrices pour x264...</source>
        <translation>Export the matrices for x264</translation>
    </message>
    <message>
        <source>Les listes 16x16 et 32x32 de la vidéo HEVC n&apos;ont pas de place dans le fichier de x264 : l&apos;encodeur n&apos;utiliserait pas les matrices de la vidéo. Le fichier n&apos;a pas été écrit.</source>
        <translation>The HEVC video&apos;s 16x16 and 32x32 lists have no place in x264&apos;s file: the encoder would not use the video&apos;s matrices. The file was not written.</translation>
    </message>
    <message>
        <source>Les listes Cr de la vidéo diffèrent de ses listes Cb ; x264 n&apos;utilise que les listes Cb et perdrait les autres. Le fichier n&apos;a pas été écrit.</source>
        <translation>The video&apos;s Cr lists differ from its Cb lists; x264 uses only the Cb lists and would lose the others. The file was not written.</translation>
    </message>
    <message>
        <source>Exporter les matrices pour x265...</source>
        <translation>Export the matrices for x265</translation>
    </message>
    <message>
        <source>La vidéo H.264 n&apos;a pas de listes 16x16 et 32x32 : les inventer changerait la quantification de l&apos;encodeur. Le fichier n&apos;a pas été écrit.</source>
        <translation>The H.264 video has no 16x16 and 32x32 lists: making them up would change the encoder&apos;s quantisation. The file was not written.</translation>
    </message>
    <message>
        <source>La vidéo MPEG-4 quantifie comme H.263, sans matrices : il n&apos;y a rien à exporter. Le fichier n&apos;a pas été écrit.</source>
        <translation>The MPEG-4 video quantises as H.263 does, without matrices: there is nothing to export. The file was not written.</translation>
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
        <source>Ce n&apos;est pas un fichier ordinaire</source>
        <translation>Not a regular file</translation>
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
        <source>Image introuvable</source>
        <translation>No such picture</translation>
    </message>
    <message>
        <source>Le fichier n&apos;a pas d&apos;image %1 lisible après un en-tête de séquence.</source>
        <translation>The file has no readable picture %1 after a sequence header.</translation>
    </message>
    <message>
        <source>Vidéo chiffrée</source>
        <translation>Scrambled video</translation>
    </message>
    <message>
        <source>%1 paquet(s) de la vidéo chiffré(s) ignoré(s), le premier à l&apos;octet %2.</source>
        <translation>%1 scrambled video packet(s) skipped, the first at byte %2.</translation>
    </message>
    <message>
        <source>%1 image(s) d&apos;un type interdit, la première à l&apos;octet %2.</source>
        <translation>%1 picture(s) of a forbidden type, the first at byte %2.</translation>
    </message>
    <message>
        <source>%1 paquet(s) de la vidéo reçu(s) avant les tables des programmes ignoré(s), le premier à l&apos;octet %2.</source>
        <translation>%1 video packet(s) received before the program tables skipped, the first at byte %2.</translation>
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
    <message>
        <source>Erreur d&apos;accès au périphérique</source>
        <translation>Device error</translation>
    </message>
    <message>
        <source>Le peripherique n&apos;est pas disponible</source>
        <translation>The device is not available</translation>
    </message>
    <message>
        <source>Doublon...</source>
        <translation>Already running...</translation>
    </message>
    <message>
        <source>Quantaline est déja en cours d&apos;exécution !</source>
        <translation>Quantaline is already running!</translation>
    </message>
    <message>
        <source>Exporter les matrices vers CCE...</source>
        <translation>Export the matrices to CCE...</translation>
    </message>
    <message>
        <source>Attention, les informations qui vont suivre sont des valeurs par défaut :<byte value="xd"/>
Vérifiez bien que la clé de la base de registre de CCE soit conforme à votre configuration !</source>
        <translation>Warning: the values that follow are the defaults.<byte value="xd"/>
Check that the CCE registry key matches your installation!</translation>
    </message>
    <message>
        <source>Exporter les matrices vers TMPGEnc ...</source>
        <translation>Export the matrices to TMPGEnc...</translation>
    </message>
    <message>
        <source>Attention, TMPGEnc ne doit pas être en cours d&apos;exécution</source>
        <translation>Warning: TMPGEnc must not be running</translation>
    </message>
    <message>
        <source>Exporter les matrices ...</source>
        <translation>Export the matrices...</translation>
    </message>
    <message>
        <source>Attention, les informations qui vont suivre sont des valeurs par défaut :<byte value="xd"/>
Vérifiez que le chemin d&apos;accès à TMPGEnc est correcte !</source>
        <translation>Warning: the values that follow are the defaults.<byte value="xd"/>
Check that the path to TMPGEnc is correct!</translation>
    </message>
    <message>
        <source>Configuration non enregistrée...</source>
        <translation>Settings not saved...</translation>
    </message>
    <message>
        <source>%1 La configuration n&apos;a pas été enregistrée.</source>
        <translation>%1 The settings were not saved.</translation>
    </message>
    <message>
        <source>Impression impossible...</source>
        <translation>Cannot print...</translation>
    </message>
    <message>
        <source>Impossible d&apos;imprimer le document; Vérifiez l&apos;imprimante !</source>
        <translation>The document could not be printed. Check the printer!</translation>
    </message>
    <message>
        <source>une lecture a échoué</source>
        <translation>a read failed</translation>
    </message>
    <message>
        <source>le fichier s&apos;arrête au milieu d&apos;une structure du conteneur</source>
        <translation>the file ends inside a structure of the container</translation>
    </message>
    <message>
        <source>une structure du conteneur est endommagée</source>
        <translation>a structure of the container is damaged</translation>
    </message>
    <message>
        <source>une structure du conteneur est trop grande pour être lue</source>
        <translation>a structure of the container is too large to be read</translation>
    </message>
    <message>
        <source>la vidéo ne porte aucun jeu de paramètres avant sa première image</source>
        <translation>the video carries no parameter set before its first picture</translation>
    </message>
    <message>
        <source>aucun jeu de paramètres de séquence</source>
        <translation>no sequence parameter set</translation>
    </message>
    <message>
        <source>le jeu de paramètres de séquence est endommagé</source>
        <translation>the sequence parameter set is damaged</translation>
    </message>
    <message>
        <source>aucun jeu de paramètres d&apos;image ne se rapporte à la séquence</source>
        <translation>no picture parameter set refers to the sequence</translation>
    </message>
    <message>
        <source>le jeu de paramètres d&apos;image est endommagé</source>
        <translation>the picture parameter set is damaged</translation>
    </message>
    <message>
        <source>la vidéo a une couche ou une forme que le programme ne lit pas</source>
        <translation>the video has a layer or a shape the program does not read</translation>
    </message>
    <message>
        <source>Lecture des matrices...</source>
        <translation>Reading the matrices...</translation>
    </message>
    <message>
        <source>Les matrices de la vidéo %1 n&apos;ont pas pu être lues : %2.</source>
        <translation>The matrices of the %1 video could not be read: %2.</translation>
    </message>
    <message>
        <source>Le format %1 ne peut pas porter les matrices de la vidéo %2 : l&apos;encodeur n&apos;utiliserait pas les mêmes. Rien n&apos;a été écrit.</source>
        <translation>The %1 format cannot carry the matrices of the %2 video: the encoder would not use the same ones. Nothing has been written.</translation>
    </message>
    <message>
        <source>Lecture du flux...</source>
        <translation>Reading the stream...</translation>
    </message>
    <message>
        <source>La vidéo de ce fichier est en %1 : Quantaline en lit les matrices (info, matrix), pas les images.</source>
        <translation>The video of this file is %1: Quantaline reads its matrices (info, matrix), not its pictures.</translation>
    </message>
    <message>
        <source>La lecture du flux s&apos;arrête : %1 ; l&apos;analyse porte sur ce qui précède.</source>
        <translation>Reading the stream stopped: %1; the analysis covers what came before.</translation>
    </message>
    <message>
        <source>Tables des programmes absentes</source>
        <translation>No program tables</translation>
    </message>
    <message>
        <source>Aucune table des programmes : la vidéo est lue sur le PID %1</source>
        <translation>No program tables: the video is read from PID %1</translation>
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
        <source>Flux transport</source>
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
    <message>
        <source>listes initiales</source>
        <translation>initial lists</translation>
    </message>
</context>
<context>
    <name>Session</name>
    <message>
        <source>%1 (conteneur)</source>
        <translation>%1 (container)</translation>
    </message>
    <message>
        <source>%1 %2 %3, blanc (%4 %5), %6 à %7 cd/m²</source>
        <translation>%1 %2 %3, white (%4 %5), %6 to %7 cd/m2</translation>
    </message>
    <message>
        <source>R</source>
        <translation>R</translation>
    </message>
    <message>
        <source>V</source>
        <translation>G</translation>
    </message>
    <message>
        <source>MaxCLL %1 cd/m², MaxFALL %2 cd/m²</source>
        <translation>MaxCLL %1 cd/m2, MaxFALL %2 cd/m2</translation>
    </message>
    <message>
        <source>primaires %1, transfert %2, matrice %3</source>
        <translation>primaries %1, transfer %2, matrix %3</translation>
    </message>
    <message>
        <source>plage complète</source>
        <translation>full range</translation>
    </message>
    <message>
        <source>plage limitée</source>
        <translation>limited range</translation>
    </message>
    <message>
        <source>Couleurs :</source>
        <translation>Colours:</translation>
    </message>
    <message>
        <source>Écran de mastering :</source>
        <translation>Mastering display:</translation>
    </message>
    <message>
        <source>Niveaux de lumière :</source>
        <translation>Light levels:</translation>
    </message>
    <message>
        <source>Lecture des macroblocs interrompue : %1</source>
        <translation>Macroblock read cancelled: %1</translation>
    </message>
    <message>
        <source>Exporter les matrices dans CCE...</source>
        <translation>Export the matrices to CCE...</translation>
    </message>
    <message>
        <source>Exporter les matrices dans TMPGEnc...</source>
        <translation>Export the matrices to TMPGEnc...</translation>
    </message>
    <message>
        <source>Emplacement de la clé dans le registre : Vérifiez bien qu&apos;il s&apos;agit de la bonne clé :</source>
        <translation>Registry key: make sure it is the right key:</translation>
    </message>
    <message>
        <source>Chemin de TMPGEnc : Vérifiez bien qu&apos;il s&apos;agit du bon chemin :</source>
        <translation>TMPGEnc folder: make sure it is the right folder:</translation>
    </message>
    <message>
        <source>Listes %1 %2</source>
        <translation>%1 %2 lists</translation>
    </message>
    <message>
        <source>Matrices 8x8</source>
        <translation>8x8 matrices</translation>
    </message>
    <message>
        <source>TMPGEnc et CCE prennent des matrices MPEG-2 : la vidéo %1 n&apos;en a pas</source>
        <translation>TMPGEnc and CCE take MPEG-2 matrices: the %1 video has none</translation>
    </message>
    <message>
        <source>Le rapport et l&apos;impression montrent deux matrices 8x8 MPEG : la vidéo %1 n&apos;en a pas</source>
        <translation>The report and the print show two MPEG 8x8 matrices: the %1 video has none</translation>
    </message>
</context>
<context>
    <name>Value</name>
    <message>
        <source>Entrelacé</source>
        <translation>Interlaced</translation>
    </message>
    <message>
        <source>Entrelacé (MBAFF)</source>
        <translation>Interlaced (MBAFF)</translation>
    </message>
    <message>
        <source>Progressif</source>
        <translation>Progressive</translation>
    </message>
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
        <translation>Invalid</translation>
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
<context>
    <name>WholeStream</name>
    <message>
        <source>Métadonnées HDR :</source>
        <translation>HDR metadata:</translation>
    </message>
    <message>
        <source>données ou changées aux images %1</source>
        <translation>given or changed at pictures %1</translation>
    </message>
    <message>
        <source>Temps des images :</source>
        <translation>Picture times:</translation>
    </message>
    <message>
        <source>du conteneur</source>
        <translation>from the container</translation>
    </message>
    <message>
        <source>de la VUI du flux</source>
        <translation>from the stream&apos;s VUI</translation>
    </message>
    <message>
        <source>des VOP du flux</source>
        <translation>from the stream&apos;s VOPs</translation>
    </message>
    <message>
        <source>Début de la capture :</source>
        <translation>Start of the capture:</translation>
    </message>
    <message>
        <source>%1 image(s) avant le premier jeu de paramètres</source>
        <translation>%1 picture(s) before the first parameter sets</translation>
    </message>
    <message>
        <source>Types d&apos;images :</source>
        <translation>Picture types:</translation>
    </message>
    <message>
        <source> (dont %1 ouverts)</source>
        <translation> (%1 of them open)</translation>
    </message>
    <message>
        <source>QP des tranches I :</source>
        <translation>I-picture slice QP:</translation>
    </message>
    <message>
        <source>QP des tranches P :</source>
        <translation>P-picture slice QP:</translation>
    </message>
    <message>
        <source>QP des tranches B :</source>
        <translation>B-picture slice QP:</translation>
    </message>
    <message>
        <source>QP des tranches S :</source>
        <translation>S-VOP slice QP:</translation>
    </message>
    <message>
        <source>jeu de matrices</source>
        <translation>matrix set</translation>
    </message>
    <message>
        <source>jeux de matrices</source>
        <translation>matrix sets</translation>
    </message>
    <message>
        <source>image</source>
        <translation>picture</translation>
    </message>
    <message>
        <source>images</source>
        <translation>pictures</translation>
    </message>
    <message>
        <source>Lecture interrompue : %1</source>
        <translation>Read cancelled: %1</translation>
    </message>
    <message>
        <source>Flux complet : %1</source>
        <translation>Whole stream: %1</translation>
    </message>
    <message>
        <source>Les matrices changent en cours de flux : %1 jeux</source>
        <translation>The matrices change within the stream: %1 sets</translation>
    </message>
    <message>
        <source>Sans objet</source>
        <translation>Not applicable</translation>
    </message>
    <message>
        <source>aucun</source>
        <translation>none</translation>
    </message>
    <message>
        <source>Conteneur :</source>
        <translation>Container:</translation>
    </message>
    <message>
        <source>Vidéo :</source>
        <translation>Video:</translation>
    </message>
    <message>
        <source>autres</source>
        <translation>other</translation>
    </message>
    <message>
        <source>%1 : %2</source>
        <translation>%1: %2</translation>
    </message>
    <message>
        <source>Images :</source>
        <translation>Pictures:</translation>
    </message>
    <message>
        <source>En-têtes de séquence :</source>
        <translation>Sequence headers:</translation>
    </message>
    <message>
        <source>Groupes d&apos;images :</source>
        <translation>Groups of pictures:</translation>
    </message>
    <message>
        <source>Durée :</source>
        <translation>Duration:</translation>
    </message>
    <message>
        <source>Débit moyen :</source>
        <translation>Average bit rate:</translation>
    </message>
    <message>
        <source>Débit maximal sur une seconde :</source>
        <translation>Peak bit rate over one second:</translation>
    </message>
    <message>
        <source>Macroblocs lus :</source>
        <translation>Macroblocks read:</translation>
    </message>
    <message>
        <source>Quantificateur I :</source>
        <translation>I-picture quantiser:</translation>
    </message>
    <message>
        <source>Quantificateur P :</source>
        <translation>P-picture quantiser:</translation>
    </message>
    <message>
        <source>Quantificateur B :</source>
        <translation>B-picture quantiser:</translation>
    </message>
    <message>
        <source>Quantificateur D :</source>
        <translation>D-picture quantiser:</translation>
    </message>
    <message>
        <source>moyen %1, min %2, max %3</source>
        <translation>average %1, min %2, max %3</translation>
    </message>
    <message>
        <source>Messages :</source>
        <translation>Messages:</translation>
    </message>
    <message>
        <source>%1 (distance %2)</source>
        <translation>%1 (distance %2)</translation>
    </message>
    <message>
        <source>%1 sur %2</source>
        <translation>%1 of %2</translation>
    </message>
    <message>
        <source>Image %1 (%2) : %3 (intra %4, codés %5, sautés %6)</source>
        <translation>Picture %1 (%2): %3 (intra %4, coded %5, skipped %6)</translation>
    </message>
    <message>
        <source>macrobloc</source>
        <translation>macroblock</translation>
    </message>
    <message>
        <source>macroblocs</source>
        <translation>macroblocks</translation>
    </message>
    <message>
        <source>, quantificateur moyen %1, min %2, max %3</source>
        <translation>, average quantiser %1, min %2, max %3</translation>
    </message>
    <message>
        <source>tranche endommagée</source>
        <translation>damaged slice</translation>
    </message>
    <message>
        <source>tranches endommagées</source>
        <translation>damaged slices</translation>
    </message>
    <message>
        <source>intra</source>
        <translation>intra</translation>
    </message>
    <message>
        <source>codé</source>
        <translation>coded</translation>
    </message>
    <message>
        <source>sauté</source>
        <translation>skipped</translation>
    </message>
    <message>
        <source>Colonne %1, rangée %2 : %3, quantificateur %4</source>
        <translation>Column %1, row %2: %3, quantiser %4</translation>
    </message>
    <message>
        <source>jeu de listes</source>
        <translation>list set</translation>
    </message>
    <message>
        <source>jeux de listes</source>
        <translation>list sets</translation>
    </message>
    <message>
        <source>Les listes changent en cours de flux : %1 jeux</source>
        <translation>The lists change during the stream: %1 sets</translation>
    </message>
    <message>
        <source>Type de flux :</source>
        <translation>Stream type:</translation>
    </message>
    <message>
        <source>Jeux de paramètres :</source>
        <translation>Parameter sets:</translation>
    </message>
    <message>
        <source>Changements de listes :</source>
        <translation>List changes:</translation>
    </message>
    <message>
        <source>Images sans listes connues :</source>
        <translation>Pictures with no known lists:</translation>
    </message>
    <message>
        <source>macrobloc hors tranche</source>
        <translation>macroblock outside every slice</translation>
    </message>
    <message>
        <source>macroblocs hors tranche</source>
        <translation>macroblocks outside every slice</translation>
    </message>
</context>
<context>
    <name>quantaline::FrmExporter</name>
    <message>
        <source>Exporter</source>
        <translation>Export</translation>
    </message>
    <message>
        <source>Annuler</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Nom de l&apos;enregistrement des matrices :</source>
        <translation>Name for these matrices:</translation>
    </message>
</context>
<context>
    <name>quantaline::FrmFluxComplet</name>
    <message>
        <source>Matrice Intra-block</source>
        <translation>Intra matrix</translation>
    </message>
    <message>
        <source>Matrice non Intra-block</source>
        <translation>Non-intra matrix</translation>
    </message>
    <message>
        <source>Matrice chroma Intra-block</source>
        <translation>Chroma intra matrix</translation>
    </message>
    <message>
        <source>Matrice chroma non Intra-block</source>
        <translation>Chroma non-intra matrix</translation>
    </message>
    <message>
        <source>Jeu</source>
        <translation>Set</translation>
    </message>
    <message>
        <source>Première image</source>
        <translation>First picture</translation>
    </message>
    <message>
        <source>Images</source>
        <translation>Pictures</translation>
    </message>
    <message>
        <source>Code temporel</source>
        <translation>Time code</translation>
    </message>
    <message>
        <source>Matrice intra</source>
        <translation>Intra matrix</translation>
    </message>
    <message>
        <source>Matrice non intra</source>
        <translation>Non-intra matrix</translation>
    </message>
    <message>
        <source>Flux complet - %1</source>
        <translation>Whole stream - %1</translation>
    </message>
    <message>
        <source>Résumé</source>
        <translation>Summary</translation>
    </message>
    <message>
        <source>Molette : zoom ; glisser : déplacer ; survol : l&apos;image ; clic : ses macroblocs</source>
        <translation>Wheel: zoom; drag: pan; hover: picture info; click: its macroblocks</translation>
    </message>
    <message>
        <source>Jeux de matrices</source>
        <translation>Matrix sets</translation>
    </message>
    <message>
        <source>Un jeu par ligne : numéro, première image, nombre d&apos;images, code temporel du changement, noms des matrices intra et non intra</source>
        <translation>One set per row: number, first picture, picture count, time code of the change, names of the intra and non-intra matrices</translation>
    </message>
    <message>
        <source>Matrices du jeu</source>
        <translation>Matrices of the set</translation>
    </message>
    <message>
        <source>L&apos;image choisie dans le graphe</source>
        <translation>The picture chosen in the graph</translation>
    </message>
    <message>
        <source>Macroblocs de l&apos;image</source>
        <translation>Picture macroblocks</translation>
    </message>
    <message>
        <source>Utiliser ce jeu de matrices</source>
        <translation>Use this matrix set</translation>
    </message>
    <message>
        <source>La fenêtre principale montre le jeu choisi ; ses exportations, le rapport et l&apos;impression l&apos;utilisent</source>
        <translation>The main window shows the chosen set; its exports, report and printout use it</translation>
    </message>
    <message>
        <source>Enregistrer les images (CSV)…</source>
        <translation>Save the picture list (CSV)...</translation>
    </message>
    <message>
        <source>Enregistre une ligne par image : position, type, structure, taille, jeu</source>
        <translation>Saves one row per picture: position, type, structure, size, set</translation>
    </message>
    <message>
        <source>Fermer</source>
        <translation>Close</translation>
    </message>
    <message>
        <source>Aucune image choisie</source>
        <translation>No picture chosen</translation>
    </message>
    <message>
        <source>Choisissez une image dans le graphe (clic ou Entrée) pour voir ses macroblocs.</source>
        <translation>Choose a picture in the graph (click or Enter) to see its macroblocks.</translation>
    </message>
    <message>
        <source>Matrices du jeu %1</source>
        <translation>Matrices of set %1</translation>
    </message>
    <message>
        <source>Matrice standard de la norme MPEG</source>
        <translation>MPEG default matrix</translation>
    </message>
    <message>
        <source>Matrice lue dans le flux</source>
        <translation>Matrix read from the stream</translation>
    </message>
    <message>
        <source>Enregistrer les images (CSV)</source>
        <translation>Save the picture list (CSV)</translation>
    </message>
    <message>
        <source>Lecture des macroblocs de l&apos;image %1…</source>
        <translation>Reading the macroblocks of picture %1...</translation>
    </message>
    <message>
        <source>Image introuvable dans le fichier</source>
        <translation>Picture not found in the file</translation>
    </message>
    <message>
        <source>Débit par seconde</source>
        <translation>Bit rate per second</translation>
    </message>
    <message>
        <source>Octets par image</source>
        <translation>Bytes per picture</translation>
    </message>
    <message>
        <source>Octets par GOP</source>
        <translation>Bytes per GOP</translation>
    </message>
    <message>
        <source>Vue :</source>
        <translation>View:</translation>
    </message>
    <message>
        <source>Vue du graphe</source>
        <translation>Graph view</translation>
    </message>
    <message>
        <source>Le tampon VBV et la cadence du flux</source>
        <translation>The stream&apos;s VBV buffer and field cadence</translation>
    </message>
    <message>
        <source>Un écart par ligne : règle, groupe d&apos;images, image, temps, valeur trouvée, limite ; choisir une ligne montre son image dans le graphe et ses macroblocs</source>
        <translation>One deviation per line: rule, group of pictures, picture, time, value found, limit; choosing a line shows its picture in the graph and its macroblocks</translation>
    </message>
    <message>
        <source>Conformité</source>
        <translation>Conformance</translation>
    </message>
    <message>
        <source>aucun profil de disque</source>
        <translation>no disc profile</translation>
    </message>
    <message>
        <source>Automatique (%1)</source>
        <translation>Automatic (%1)</translation>
    </message>
    <message>
        <source>Automatique</source>
        <translation>Automatic</translation>
    </message>
    <message>
        <source>%1 ; %2</source>
        <translation>%1; %2</translation>
    </message>
    <message>
        <source>Ce que montre le graphe : le débit de chaque seconde, ou les octets de chaque image ou de chaque GOP</source>
        <translation>What the graph shows: the bit rate of each second, or the bytes of each picture or of each GOP</translation>
    </message>
    <message>
        <source>Tampon CPB : non modélisé (le flux ne porte pas de paramètres HRD et de SEI de période de tampon)</source>
        <translation>CPB buffer: not modelled (the stream carries no HRD parameters and buffering period SEI)</translation>
    </message>
    <message>
        <source>Un écart par ligne : règle, groupe d&apos;images, image, temps, valeur trouvée, limite, puis les notes ; choisir une ligne montre son image dans le graphe</source>
        <translation>One finding per line: rule, group of pictures, picture, time, value found, limit, then the notes; choosing a line shows its picture in the graph</translation>
    </message>
    <message>
        <source>Le tampon CPB : sa source, son débit, sa taille</source>
        <translation>The CPB buffer: its source, its rate, its size</translation>
    </message>
    <message>
        <source>Enregistre une ligne par image : position, type, structure, taille, QP des tranches, temps</source>
        <translation>Saves one line per picture: position, type, structure, size, slice QP, times</translation>
    </message>
    <message>
        <source>Molette : zoom ; glisser : déplacer ; survol : l&apos;image</source>
        <translation>Wheel: zoom; drag: move; hover: the picture</translation>
    </message>
    <message>
        <source>Jeux de paramètres</source>
        <translation>Parameter sets</translation>
    </message>
    <message>
        <source>Jeux de listes</source>
        <translation>List sets</translation>
    </message>
    <message>
        <source>Un jeu de listes par ligne : numéro, première image, nombre d&apos;images, jeux de paramètres de sa première image</source>
        <translation>One list set per row: number, first picture, number of pictures, parameter sets of its first picture</translation>
    </message>
    <message>
        <source>Listes du jeu</source>
        <translation>The set&apos;s lists</translation>
    </message>
    <message>
        <source>Listes :</source>
        <translation>Lists:</translation>
    </message>
    <message>
        <source>Listes affichées</source>
        <translation>Lists shown</translation>
    </message>
    <message>
        <source>Choisit les listes du jeu que montrent les deux grilles</source>
        <translation>Chooses the set&apos;s lists the two grids show</translation>
    </message>
    <message>
        <source>Liste intra</source>
        <translation>Intra list</translation>
    </message>
    <message>
        <source>Liste inter</source>
        <translation>Inter list</translation>
    </message>
    <message>
        <source>Valeurs DC des listes 16x16 et 32x32</source>
        <translation>DC values of the 16x16 and 32x32 lists</translation>
    </message>
    <message>
        <source>Sans matrice : quantification H.263</source>
        <translation>No matrix: H.263 quantisation</translation>
    </message>
</context>
<context>
    <name>quantaline::FrmOuvrir</name>
    <message>
        <source>Ouvrir un fichier mpg,  mpeg, m1v, mpv, m2v, mv2, vob</source>
        <translation>Open an mpg, mpeg, m1v, mpv, m2v, mv2 or vob file</translation>
    </message>
    <message>
        <source>Ouvrir</source>
        <translation>Open</translation>
    </message>
    <message>
        <source>Annuler</source>
        <translation>Cancel</translation>
    </message>
</context>
<context>
    <name>quantaline::FrmPropos</name>
    <message>
        <source>A propos de Quantaline ...</source>
        <translation>About Quantaline...</translation>
    </message>
    <message>
        <source>O-K</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Merci à tous ceux qui ont essayé Quantaline et m&apos;ont fait part de leurs remarques.</source>
        <translation>Thanks to everyone who tried Quantaline and sent me their comments.</translation>
    </message>
    <message>
        <source>Quantaline lit les matrices de quantification d&apos;un flux MPEG-1 ou MPEG-2 et les transmet à TMPGEnc ou à CCE. Programme gratuit, utilisez-le à vos risques.</source>
        <translation>Quantaline reads the quantiser matrices of an MPEG-1 or MPEG-2 stream and hands them to TMPGEnc or CCE. Free software; use it at your own risk.</translation>
    </message>
    <message>
        <source>Mailto : Velnor</source>
        <translation>Mailto: Velnor</translation>
    </message>
</context>
<context>
    <name>quantaline::HeaderFrm</name>
    <message>
        <source>Nota :                     Si une matrice est de couleur verte, cela veut dire que c&apos;est la matrice standard de la norme MPEG qui a été utilisé. Dans ce cas, celle-ci n&apos;est pas inscrite dans le fichier que  vous venez de lire. Quantaline l&apos;affiche à titre d&apos;information.</source>
        <translation>Note:
A matrix in green is the MPEG default matrix. The file you have just read does not carry it; Quantaline shows it for your information.</translation>
    </message>
    <message>
        <source>Avant d&apos;exporter les matrices, vérifier dans la base de registre la clé corespondant à CCE (elle doit commencer par &apos;HKEY_CURRENT_USER\Software\Custom Technology\&apos;    Pour TMPGEnc, verifiez le dossier d&apos;installation du programme.</source>
        <translation>Before exporting the matrices, check CCE&apos;s key in the registry (it must begin with &apos;HKEY_CURRENT_USER\Software\Custom Technology\&apos;). For TMPGEnc, check the program&apos;s installation folder.</translation>
    </message>
    <message>
        <source>Ouvrir un fichier</source>
        <translation>Open a file</translation>
    </message>
    <message>
        <source>Exporter les matrices vers CCE</source>
        <translation>Export the matrices to CCE</translation>
    </message>
    <message>
        <source>Exporter les matrices vers TMPGEnc</source>
        <translation>Export the matrices to TMPGEnc</translation>
    </message>
    <message>
        <source>Exporter les matrices ( fichier txt)</source>
        <translation>Export the matrices (text file)</translation>
    </message>
    <message>
        <source>Imprimer les matrices</source>
        <translation>Print the matrices</translation>
    </message>
    <message>
        <source>A propos</source>
        <translation>About</translation>
    </message>
    <message>
        <source>Quitter</source>
        <translation>Quit</translation>
    </message>
    <message>
        <source>Lecture du flux complet : %p %</source>
        <translation>Reading the whole stream: %p%</translation>
    </message>
    <message>
        <source>Lecture du flux complet</source>
        <translation>Reading the whole stream</translation>
    </message>
    <message>
        <source>État de la lecture du flux complet</source>
        <translation>Status of the whole-stream read</translation>
    </message>
    <message>
        <source>Annuler</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Arrête la lecture du flux complet</source>
        <translation>Stops reading the whole stream</translation>
    </message>
    <message>
        <source>Flux complet…</source>
        <translation>Whole stream...</translation>
    </message>
    <message>
        <source>Ouvre la fenêtre du flux complet : résumé, graphe des images, jeux de matrices</source>
        <translation>Opens the whole-stream window: summary, picture graph, matrix sets</translation>
    </message>
    <message>
        <source>Remarques sur le flux complet</source>
        <translation>Notes on the whole stream</translation>
    </message>
    <message>
        <source>Lecture des macroblocs : %p %</source>
        <translation>Reading the macroblocks: %p%</translation>
    </message>
    <message>
        <source>Lecture des macroblocs</source>
        <translation>Reading the macroblocks</translation>
    </message>
    <message>
        <source> (jeu %1 affiché)</source>
        <translation> (set %1 shown)</translation>
    </message>
    <message>
        <source>Général</source>
        <translation>General</translation>
    </message>
    <message>
        <source>Détail </source>
        <translation>Details </translation>
    </message>
    <message>
        <source>Matrice Intra-block</source>
        <translation>Intra matrix</translation>
    </message>
    <message>
        <source>Matrice non Intra-block</source>
        <translation>Non-intra matrix</translation>
    </message>
    <message>
        <source>Conformité du flux à son profil</source>
        <translation>The stream&apos;s conformance to its profile</translation>
    </message>
    <message>
        <source>Listes :</source>
        <translation>Lists:</translation>
    </message>
    <message>
        <source>Listes affichées</source>
        <translation>Lists shown</translation>
    </message>
    <message>
        <source>Choisit les listes de quantification que montrent les deux grilles</source>
        <translation>Chooses the quantiser lists the two grids show</translation>
    </message>
    <message>
        <source>Sans matrice : quantification H.263</source>
        <translation>No matrix: H.263 quantisation</translation>
    </message>
    <message>
        <source>Valeurs DC des listes 16x16 et 32x32</source>
        <translation>DC values of the 16x16 and 32x32 lists</translation>
    </message>
    <message>
        <source>Nota :                     Si une liste est de couleur verte, c&apos;est une liste plate ou par défaut du codec, ou reprise d&apos;une telle liste. Dans ce cas, celle-ci n&apos;est pas inscrite dans le fichier que vous venez de lire. Quantaline l&apos;affiche à titre d&apos;information.</source>
        <translation>Note:
A list in green is a flat or default list of the codec, or one taken from such a list. The file you have just read does not carry it; Quantaline shows it for your information.</translation>
    </message>
</context>
<context>
    <name>quantaline::MacroblockMap</name>
    <message>
        <source>Carte des macroblocs</source>
        <translation>Macroblock map</translation>
    </message>
    <message>
        <source>quantificateur</source>
        <translation>quantiser</translation>
    </message>
    <message>
        <source>sauté</source>
        <translation>skipped</translation>
    </message>
    <message>
        <source>non lu</source>
        <translation>not read</translation>
    </message>
    <message>
        <source>hors tranche</source>
        <translation>outside slices</translation>
    </message>
</context>
<context>
    <name>quantaline::MatrixMenu</name>
    <message>
        <source>Enregistrer pour mpeg2enc</source>
        <translation>Save for mpeg2enc</translation>
    </message>
    <message>
        <source>Copier les valeurs</source>
        <translation>Copy the values</translation>
    </message>
    <message>
        <source>Copier pour ffmpeg</source>
        <translation>Copy for ffmpeg</translation>
    </message>
    <message>
        <source>Enregistrer pour mpeg2enc…</source>
        <translation>Save for mpeg2enc...</translation>
    </message>
    <message>
        <source>Fichier x264 (--cqmfile)</source>
        <translation>x264 file (--cqmfile)</translation>
    </message>
    <message>
        <source>Fichier x265 (--scaling-list)</source>
        <translation>x265 file (--scaling-list)</translation>
    </message>
    <message>
        <source>Fichier x264 (--cqmfile)…</source>
        <translation>x264 file (--cqmfile)...</translation>
    </message>
    <message>
        <source>Fichier x265 (--scaling-list)…</source>
        <translation>x265 file (--scaling-list)...</translation>
    </message>
</context>
<context>
    <name>quantaline::PictureGraph</name>
    <message>
        <source> En orange, dans la bande du bas, le QP des tranches de chaque image, moyen, et sa bande du minimum au maximum (0 à %1).</source>
        <translation> In orange, in the bottom strip, each picture&apos;s average slice QP and its band from the lowest to the highest (0 to %1).</translation>
    </message>
    <message>
        <source>, QP des tranches moyen %1 (min %2, max %3)</source>
        <translation>, average slice QP %1 (min %2, max %3)</translation>
    </message>
    <message>
        <source>QP des tranches (moyen, min–max)</source>
        <translation>slice QP (average, min-max)</translation>
    </message>
    <message>
        <source>Graphe des images</source>
        <translation>Picture graph</translation>
    </message>
    <message>
        <source>Aucune image</source>
        <translation>No pictures</translation>
    </message>
    <message>
        <source>quantificateur (moyen, min–max)</source>
        <translation>quantiser (average, min-max)</translation>
    </message>
    <message>
        <source>Image %1 : %2, %3 octets</source>
        <translation>Picture %1: %2, %3 bytes</translation>
    </message>
    <message>
        <source>, jeu %1</source>
        <translation>, set %1</translation>
    </message>
    <message>
        <source>, quantificateur moyen %1 (min %2, max %3)</source>
        <translation>, average quantiser %1 (min %2, max %3)</translation>
    </message>
    <message>
        <source>Aucune image.</source>
        <translation>No pictures.</translation>
    </message>
    <message>
        <source>Taille de chaque image en octets le long du flux, %1 images ; I en rouge, P en bleu, B en vert, D en gris.</source>
        <translation>Size in bytes of each picture along the stream, %1 pictures; I in red, P in blue, B in green, D in grey.</translation>
    </message>
    <message>
        <source>image %1 (jeu %2)</source>
        <translation>picture %1 (set %2)</translation>
    </message>
    <message>
        <source> Changements de jeu de matrices : </source>
        <translation> Matrix set changes: </translation>
    </message>
    <message>
        <source> Affichées : images %1 à %2.</source>
        <translation> Shown: pictures %1 to %2.</translation>
    </message>
    <message>
        <source>octets par image</source>
        <translation>bytes per picture</translation>
    </message>
    <message>
        <source>octets par GOP</source>
        <translation>bytes per GOP</translation>
    </message>
    <message>
        <source>kbit/s</source>
        <translation>kbit/s</translation>
    </message>
    <message>
        <source>tampon %1 (kbit, à droite)</source>
        <translation>%1 buffer (kbit, right)</translation>
    </message>
    <message>
        <source>débit maximum de l&apos;en-tête</source>
        <translation>header&apos;s maximum bit rate</translation>
    </message>
    <message>
        <source>moyenne</source>
        <translation>average</translation>
    </message>
    <message>
        <source>, à %1</source>
        <translation>, at %1</translation>
    </message>
    <message>
        <source>, tampon %1 %2 kbit</source>
        <translation>, %1 buffer %2 kbit</translation>
    </message>
    <message>
        <source> (sous-alimentation)</source>
        <translation> (underflow)</translation>
    </message>
    <message>
        <source> (débordement)</source>
        <translation> (overflow)</translation>
    </message>
    <message>
        <source>Débit de chaque seconde en kbit/s le long du flux, %1 images ; en pointillés le débit moyen (%2 kbit/s) et le débit maximum de l&apos;en-tête (%3 kbit/s).</source>
        <translation>Bit rate of each second in kbit/s along the stream, %1 pictures; dashed, the average bit rate (%2 kbit/s) and the header&apos;s maximum bit rate (%3 kbit/s).</translation>
    </message>
    <message>
        <source>Taille de chaque groupe d&apos;images en octets le long du flux, %1 groupes.</source>
        <translation>Size of each group of pictures in bytes along the stream, %1 groups.</translation>
    </message>
    <message>
        <source> En orange, dans la bande du bas, le quantificateur moyen de chaque image et sa bande du minimum au maximum (0 à %1). Un clic ou Entrée montre les macroblocs de l&apos;image.</source>
        <translation> In orange, in the strip at the bottom, each picture&apos;s average quantiser and its band from minimum to maximum (0 to %1). A click or Enter shows the picture&apos;s macroblocks.</translation>
    </message>
    <message>
        <source> En bleu-vert, l&apos;occupation du tampon %1 sur l&apos;axe de droite en kbit, sa taille (%2 kbit) en pointillés ; images en sous-alimentation : %3, en débordement : %4.</source>
        <translation> In teal, the %1 buffer&apos;s occupancy on the right-hand axis in kbit, its size (%2 kbit) dashed; pictures in underflow: %3, in overflow: %4.</translation>
    </message>
    <message>
        <source> De %1 à %2.</source>
        <translation> From %1 to %2.</translation>
    </message>
</context>
<context>
    <name>quantaline::QtPlatform</name>
    <message>
        <source>Annuler</source>
        <translation>Cancel</translation>
    </message>
    <message>
        <source>Fichiers texte (*.txt);;Tous les fichiers (*)</source>
        <translation>Text files (*.txt);;All files (*)</translation>
    </message>
</context>
<context>
    <name>quantaline::CheckPanel</name>
    <message>
        <source>Écarts</source>
        <translation>Deviations</translation>
    </message>
    <message>
        <source>Trouvé</source>
        <translation>Found</translation>
    </message>
    <message>
        <source>Temps</source>
        <translation>Time</translation>
    </message>
    <message>
        <source>Règle</source>
        <translation>Rule</translation>
    </message>
    <message>
        <source>Profil</source>
        <translation>Profile</translation>
    </message>
    <message>
        <source>Limite</source>
        <translation>Limit</translation>
    </message>
    <message>
        <source>Les règles du disque auxquelles le flux est comparé ; automatique d&apos;après sa première séquence</source>
        <translation>The disc rules the stream is checked against; automatic picks them from its first sequence</translation>
    </message>
    <message>
        <source>GOP</source>
        <translation>GOP</translation>
    </message>
    <message>
        <source>Profil :</source>
        <translation>Profile:</translation>
    </message>
    <message>
        <source>Image</source>
        <translation>Picture</translation>
    </message>
    <message>
        <source>Conformité du flux à son profil</source>
        <translation>The stream&apos;s conformance to its profile</translation>
    </message>
</context>
<context>
    <name>quantaline::MatrixGrid</name>
    <message>
        <source>DC intra : %1</source>
        <translation>Intra DC: %1</translation>
    </message>
    <message>
        <source>DC inter : %1</source>
        <translation>Inter DC: %1</translation>
    </message>
</context>
</TS>
