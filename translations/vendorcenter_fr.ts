<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr_FR">
<context>
    <name>vendorcenter::CenterMoves</name>
    <message>
        <source>Select center</source>
        <translation>Retenir le centre</translation>
    </message>
    <message>
        <source>Deselect center</source>
        <translation>Retirer le centre</translation>
    </message>
    <message>
        <source>Select centers</source>
        <translation>Retenir les centres</translation>
    </message>
    <message>
        <source>Deselect centers</source>
        <translation>Retirer les centres</translation>
    </message>
</context>
<context>
    <name>vendorcenter::FeePanel</name>
    <message>
        <source>Change handling fee</source>
        <translation>Modifier les frais de manutention</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Modifier</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <source>The Numeric value will be required</source>
        <translation>Une valeur numérique est requise</translation>
    </message>
    <message>
        <source>The Numeric value should be less Than 100</source>
        <translation>La valeur numérique doit être inférieure à 100</translation>
    </message>
    <message>
        <source>Information Validation</source>
        <translation>Validation</translation>
    </message>
</context>
<context>
    <name>vendorcenter::FindPanel</name>
    <message>
        <source>Not found</source>
        <translation>Introuvable</translation>
    </message>
</context>
<context>
    <name>vendorcenter::Vendor_Center</name>
    <message>
        <source>Information</source>
        <translation>Information</translation>
    </message>
    <message>
        <source>Error Occoured</source>
        <translation>Une erreur s&apos;est produite</translation>
    </message>
    <message>
        <source>ID</source>
        <translation>ID</translation>
    </message>
    <message>
        <source>Name</source>
        <translation>Nom</translation>
    </message>
    <message>
        <source>CountryID</source>
        <translation>ID pays</translation>
    </message>
    <message>
        <source>Handling Fee</source>
        <translation>Frais de manutention</translation>
    </message>
    <message>
        <source>Duty Brokerage Fee</source>
        <translation>Frais de courtage en douane</translation>
    </message>
    <message>
        <source>Date Updated</source>
        <translation>Date de mise à jour</translation>
    </message>
    <message>
        <source>Version Number: %1.%2.%3</source>
        <translation>Numéro de version : %1.%2.%3</translation>
    </message>
    <message>
        <source>Centers loaded: %1 selected, %2 not selected</source>
        <translation>Centres chargés : %1 sélectionnés, %2 non sélectionnés</translation>
    </message>
    <message>
        <source>The changes were not saved</source>
        <translation>Les modifications n&apos;ont pas été enregistrées</translation>
    </message>
    <message>
        <source>Centers moved to Selected Centers: %1</source>
        <translation>Centres déplacés vers les centres sélectionnés : %1</translation>
    </message>
    <message>
        <source>Centers moved to Non Selected Active Centers: %1</source>
        <translation>Centres déplacés vers les centres actifs non sélectionnés : %1</translation>
    </message>
    <message>
        <source>Handling fee of center %1: the center is no longer selected</source>
        <translation>Frais de manutention du centre %1 : le centre n&apos;est plus sélectionné</translation>
    </message>
    <message>
        <source>Center %1: already selected</source>
        <translation>Centre %1 : déjà sélectionné</translation>
    </message>
    <message>
        <source>Center %1: no longer active</source>
        <translation>Centre %1 : n&apos;est plus actif</translation>
    </message>
    <message>
        <source>Center %1: no longer selected</source>
        <translation>Centre %1 : n&apos;est plus sélectionné</translation>
    </message>
    <message>
        <source>The lists were loaded again and your changes applied onto them. These no longer applied and were left out:</source>
        <translation>Les listes ont été rechargées et vos modifications y ont été appliquées. Celles-ci ne s&apos;appliquaient plus et ont été laissées de côté :</translation>
    </message>
    <message numerus="yes">
        <source>... and %n more</source>
        <translation>
            <numerusform>... et %n autre</numerusform>
            <numerusform>... et %n autres</numerusform>
        </translation>
    </message>
    <message>
        <source>Vendor Center Cross Reference</source>
        <translation>Centres du fournisseur</translation>
    </message>
    <message>
        <source>Someone else saved changes to this vendor after the lists were loaded. Nothing of yours was saved.</source>
        <translation>Quelqu&apos;un d&apos;autre a enregistré des modifications pour ce fournisseur après le chargement des listes. Rien de vos modifications n&apos;a été enregistré.</translation>
    </message>
    <message>
        <source>Reload the lists and apply your changes again onto what is saved now, or save yours over the other changes.</source>
        <translation>Rechargez les listes et réappliquez vos modifications sur ce qui est enregistré maintenant, ou enregistrez les vôtres par-dessus les autres.</translation>
    </message>
    <message>
        <source>Reload and keep my changes</source>
        <translation>Recharger et garder mes modifications</translation>
    </message>
    <message>
        <source>Save anyway</source>
        <translation>Enregistrer quand même</translation>
    </message>
    <message>
        <source>Error During saving to Database</source>
        <translation>Erreur lors de l&apos;enregistrement dans la base</translation>
    </message>
    <message>
        <source>The lists could not be loaded again. Your changes are kept on the lists as they were.</source>
        <translation>Les listes n&apos;ont pas pu être rechargées. Vos modifications restent sur les listes telles qu&apos;elles étaient.</translation>
    </message>
    <message>
        <source>Will be added: handling fee %1 %, duty/brokerage fee</source>
        <translation>Sera ajouté : frais de manutention %1 %, droits de courtage</translation>
    </message>
    <message>
        <source>Will be added: handling fee %1 %</source>
        <translation>Sera ajouté : frais de manutention %1 %</translation>
    </message>
    <message>
        <source>Handling fee changes to %1</source>
        <translation>Frais de manutention modifiés : %1</translation>
    </message>
    <message>
        <source>Handling fee changes: %1 -&gt; %2</source>
        <translation>Frais de manutention modifiés : %1 -&gt; %2</translation>
    </message>
    <message>
        <source>Will be removed</source>
        <translation>Sera retiré</translation>
    </message>
    <message>
        <source>%1 to add</source>
        <translation>%1 à ajouter</translation>
    </message>
    <message>
        <source>1 fee change</source>
        <translation>1 modification de frais</translation>
    </message>
    <message>
        <source>%1 fee changes</source>
        <translation>%1 modifications de frais</translation>
    </message>
    <message>
        <source>%1 to remove</source>
        <translation>%1 à retirer</translation>
    </message>
    <message>
        <source>Vendor Center</source>
        <translation>Centres du fournisseur</translation>
    </message>
    <message>
        <source>Non Selected Active Centers:</source>
        <translation>Centres actifs non retenus :</translation>
    </message>
    <message>
        <source>Selected Centers:</source>
        <translation>Centres retenus :</translation>
    </message>
    <message>
        <source>Non Selected Active Centers</source>
        <translation>Centres actifs non retenus</translation>
    </message>
    <message>
        <source>Selected Centers</source>
        <translation>Centres retenus</translation>
    </message>
    <message>
        <source>Select the current center</source>
        <translation>Retenir le centre courant</translation>
    </message>
    <message>
        <source>Select all highlighted centers</source>
        <translation>Retenir tous les centres en surbrillance</translation>
    </message>
    <message>
        <source>Deselect all highlighted centers</source>
        <translation>Retirer tous les centres en surbrillance</translation>
    </message>
    <message>
        <source>Deselect the current center</source>
        <translation>Retirer le centre courant</translation>
    </message>
    <message>
        <source>Commit to Database</source>
        <translation>Valider dans la base</translation>
    </message>
    <message>
        <source> Find Center</source>
        <translation> Chercher un centre</translation>
    </message>
    <message>
        <source>Find Center</source>
        <translation>Chercher un centre</translation>
    </message>
    <message>
        <source> List to search  </source>
        <translation> Liste où chercher  </translation>
    </message>
    <message>
        <source>List to search</source>
        <translation>Liste où chercher</translation>
    </message>
    <message>
        <source>Non Selected Centers</source>
        <translation>Centres non retenus</translation>
    </message>
    <message>
        <source>Find</source>
        <translation>Chercher</translation>
    </message>
    <message>
        <source>Version Number:</source>
        <translation>Numéro de version :</translation>
    </message>
    <message>
        <source>Find by ID</source>
        <translation>Chercher par ID</translation>
    </message>
    <message>
        <source>Find by Name</source>
        <translation>Chercher par nom</translation>
    </message>
    <message>
        <source>Handling fee</source>
        <translation>Frais de manutention</translation>
    </message>
    <message>
        <source>Duty / Brokerage Fee</source>
        <translation>Droits / courtage</translation>
    </message>
    <message>
        <source>Center / Handling Fee (%)</source>
        <translation>Frais de manutention (%)</translation>
    </message>
    <message>
        <source>Load progress</source>
        <translation>Progression du chargement</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Retirer</translation>
    </message>
    <message>
        <source>Non Selected Active Centers (%1):</source>
        <translation>Centres actifs non sélectionnés (%1) :</translation>
    </message>
    <message>
        <source>Non Selected Active Centers(%1):</source>
        <translation>Centres actifs non sélectionnés(%1) :</translation>
    </message>
    <message>
        <source>Selected Centers (%1):</source>
        <translation>Centres sélectionnés (%1) :</translation>
    </message>
</context>
</TS>
