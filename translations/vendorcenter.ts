<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1">
<context>
    <name>vendorcenter::CenterMoves</name>
    <message>
        <source>Select center</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deselect center</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select centers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deselect centers</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vendorcenter::FeePanel</name>
    <message>
        <source>Change handling fee</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Numeric value will be required</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Numeric value should be less Than 100</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Information Validation</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vendorcenter::FindPanel</name>
    <message>
        <source>Not found</source>
        <translation type="unfinished"></translation>
    </message>
</context>
<context>
    <name>vendorcenter::Vendor_Center</name>
    <message>
        <source>Information</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error Occoured</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>CountryID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Handling Fee</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Duty Brokerage Fee</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Date Updated</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version Number: %1.%2.%3</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Centers loaded: %1 selected, %2 not selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The changes were not saved</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Centers moved to Selected Centers: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Centers moved to Non Selected Active Centers: %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Handling fee of center %1: the center is no longer selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Center %1: already selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Center %1: no longer active</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Center %1: no longer selected</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The lists were loaded again and your changes applied onto them. These no longer applied and were left out:</source>
        <translation type="unfinished"></translation>
    </message>
    <message numerus="yes">
        <source>... and %n more</source>
        <translation type="unfinished">
            <numerusform></numerusform>
        </translation>
    </message>
    <message>
        <source>Vendor Center Cross Reference</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Someone else saved changes to this vendor after the lists were loaded. Nothing of yours was saved.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reload the lists and apply your changes again onto what is saved now, or save yours over the other changes.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Reload and keep my changes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Save anyway</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Error During saving to Database</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The lists could not be loaded again. Your changes are kept on the lists as they were.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Will be added: handling fee %1 %, duty/brokerage fee</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Will be added: handling fee %1 %</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Handling fee changes to %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Handling fee changes: %1 -&gt; %2</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Will be removed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 to add</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>1 fee change</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 fee changes</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>%1 to remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Vendor Center</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Non Selected Active Centers:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selected Centers:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Non Selected Active Centers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selected Centers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select the current center</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Select all highlighted centers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deselect all highlighted centers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Deselect the current center</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Commit to Database</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> Find Center</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find Center</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source> List to search  </source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>List to search</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Non Selected Centers</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Version Number:</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find by ID</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Find by Name</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Handling fee</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Duty / Brokerage Fee</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Center / Handling Fee (%)</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Load progress</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Non Selected Active Centers (%1):</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Non Selected Active Centers(%1):</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Selected Centers (%1):</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
